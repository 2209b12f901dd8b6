// Simulated kernel32 file moves and deletions.
#include "sim_internal.h"

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isFolder(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR target, DWORD flags) {
    if (sim::enter("MoveFileExA", "%s, %s, 0x%X", existing ? existing : "(null)",
                   target ? target : "(null)", flags))
        return FALSE;
    if (!existing || !target || !*existing || !*target) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::string from = sim::host_path(existing), to = sim::host_path(target);
    struct stat st;
    if (stat(from.c_str(), &st) != 0) {
        SetLastError(sim::errorFromErrno(errno));
        return FALSE;
    }
    if (stat(to.c_str(), &st) == 0) {
        // Windows replaces a file only when asked to, and never a folder.
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        if (S_ISDIR(st.st_mode) || isFolder(from)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (rename(from.c_str(), to.c_str()) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : sim::errorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR fileName) {
    if (sim::enter("DeleteFileA", "%s", fileName ? fileName : "(null)")) return FALSE;
    std::string path = sim::host_path(fileName);
    if (path.empty() || isFolder(path)) {
        SetLastError(path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(path.c_str()) != 0) {
        SetLastError(sim::errorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
