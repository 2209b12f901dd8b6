// Simulated kernel32 file moves and deletions, and the conversion of 8-bit
// texts to wide ones (the simulation's code page is Latin-1: each byte is
// the character of the same number).
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

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, WCHAR *wide,
                               int wideLength) {
    if (sim::enter("MultiByteToWideChar", "%u, 0x%X, %d, %d", codePage, flags, length, wideLength))
        return 0;
    if (!text || wideLength < 0 || codePage != CP_ACP) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Length -1: the text and its terminator.
    size_t count = length < 0 ? strlen(text) + 1 : static_cast<size_t>(length);
    if (wideLength == 0) return static_cast<int>(count);
    if (count > static_cast<size_t>(wideLength)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (size_t i = 0; i < count; ++i) wide[i] = static_cast<unsigned char>(text[i]);
    return static_cast<int>(count);
}
