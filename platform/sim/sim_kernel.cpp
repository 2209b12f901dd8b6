// Simulated kernel32: last error and message texts, the module, folders,
// files, movable memory, the clock, libraries; plus the journal and fault
// injection that every simulated call goes through.
#include "sim_internal.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

const IID IID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

namespace sim {
namespace {

const size_t kJournalLimit = 200000;

struct Fault {
    int remaining; // calls to let through before failing; -1: fail every call
    DWORD error;
};

struct Kernel {
    std::vector<std::string> journal;
    std::map<std::string, int> counts;
    std::map<std::string, std::vector<Fault>> faults;
    DWORD lastError = 0;
    std::string modulePath = "C:\\Tavlora\\Tavlora.dll";
    bool manualClock = false;
    ULONGLONG ticks = 0;
    ULONGLONG slept = 0; // milliseconds Sleep passed on the manual clock
    void (*sleepHook)(void *) = nullptr;
    void *sleepContext = nullptr;
    int handles = 0;
    int globals = 0;
    int lockedFrees = 0; // global blocks freed while still locked
    ULONGLONG calendar = 0;        // GetSystemTimeAsFileTime's set time; 0: the real one
    ULONGLONG sleptAtCalendar = 0; // `slept` when it was set
    std::map<std::string, std::string> environment;
    DWORD thread = 1;
    int shortWriteIn = 0; // WriteFile calls up to the short one; 0: none
    DWORD shortWriteBytes = 0;
    bool dpiFunctions = false; // user32's per-monitor DPI functions offered
    int windowDpi = 0;         // the DPI of the monitor windows are on; 0: the system's
    HANDLE dpiContext = reinterpret_cast<HANDLE>(-1); // the thread's: unaware
};

Kernel &kernel() {
    static Kernel k;
    return k;
}

// Stands for the library's own module: VirtualQuery reports it as the
// allocation base of every address, GetModuleHandleA finds it by name.
char moduleToken;
HMODULE moduleHandle() { return reinterpret_cast<HMODULE>(&moduleToken); }

// user32, when a test offers its DPI functions: every window and the
// system at the screen's DPI (sim::set_dpi).
char user32Token;
HANDLE WINAPI SetThreadDpiAwarenessContext(HANDLE context) {
    if (enter("SetThreadDpiAwarenessContext", "%p", static_cast<void *>(context))) return nullptr;
    if (!context) { // not a context: refused, as Windows does
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE kept = kernel().dpiContext;
    kernel().dpiContext = context;
    return kept;
}
UINT WINAPI GetDpiForWindow(HWND window) {
    if (enter("GetDpiForWindow", "%p", static_cast<void *>(window))) return 0; // as for a bad window
    return static_cast<UINT>(kernel().windowDpi > 0 ? kernel().windowDpi : screen_dpi());
}
UINT WINAPI GetDpiForSystem() {
    enter("GetDpiForSystem", "%s", "");
    return static_cast<UINT>(screen_dpi());
}

struct File {
    int fd;
};

struct Global {
    unsigned char *data;
    SIZE_T size;
    int locks;
};


ULONGLONG realTicks() {
    static timespec start = [] {
        timespec t;
        clock_gettime(CLOCK_MONOTONIC, &t);
        return t;
    }();
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<ULONGLONG>(now.tv_sec - start.tv_sec) * 1000 +
           (now.tv_nsec - start.tv_nsec) / 1000000;
}

} // namespace

DWORD errorFromErrno(int err) {
    switch (err) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

bool enter(const char *operation, const char *format, ...) {
    Kernel &k = kernel();
    ++k.counts[operation];
    if (k.journal.size() < kJournalLimit) {
        char args[512];
        va_list ap;
        va_start(ap, format);
        vsnprintf(args, sizeof args, format, ap);
        va_end(ap);
        std::string entry = operation;
        entry += "(";
        entry += args;
        entry += ")";
        k.journal.push_back(entry);
    }
    auto it = k.faults.find(operation);
    if (it == k.faults.end()) return false;
    for (auto f = it->second.begin(); f != it->second.end(); ++f) {
        if (f->remaining < 0) {
            k.lastError = f->error;
            return true;
        }
        if (f->remaining == 0) {
            k.lastError = f->error;
            it->second.erase(f);
            return true;
        }
    }
    for (Fault &f : it->second) --f.remaining;
    return false;
}

std::string host_path(const char *path) {
    std::string p = path ? path : "";
    for (char &c : p)
        if (c == '\\') c = '/';
    return p;
}

void on_sleep(void (*hook)(void *context), void *context) {
    kernel().sleepHook = hook;
    kernel().sleepContext = context;
}

void reset() {
    Kernel &k = kernel();
    int handles = k.handles, globals = k.globals;
    k = Kernel();
    k.handles = handles; // objects still open stay counted
    k.globals = globals;
    reset_user();
    reset_widget();
    reset_gdi();
    reset_ole();
}

const std::vector<std::string> &journal() { return kernel().journal; }

void offer_dpi_functions() {
    kernel().dpiFunctions = true;
}

void set_window_dpi(int dotsPerInch) {
    kernel().windowDpi = dotsPerInch;
}

HANDLE dpi_context() {
    return kernel().dpiContext;
}

void clear_journal() {
    kernel().journal.clear();
    kernel().counts.clear();
}

int calls(const char *operation) {
    auto it = kernel().counts.find(operation);
    return it == kernel().counts.end() ? 0 : it->second;
}

int find_call(const char *prefix, int from) {
    const std::vector<std::string> &j = kernel().journal;
    size_t n = strlen(prefix);
    for (size_t i = from < 0 ? 0 : static_cast<size_t>(from); i < j.size(); ++i)
        if (j[i].compare(0, n, prefix) == 0) return static_cast<int>(i);
    return -1;
}

void fail_call(const char *operation, int nth, DWORD error) {
    kernel().faults[operation].push_back(Fault{nth <= 0 ? -1 : nth - 1, error});
}

void clear_faults() {
    kernel().faults.clear();
    kernel().shortWriteIn = 0;
}

void write_short(int nth, DWORD bytes) {
    kernel().shortWriteIn = nth < 1 ? 1 : nth;
    kernel().shortWriteBytes = bytes;
}

void set_module_path(const char *path) { kernel().modulePath = path; }

void set_ticks(ULONGLONG milliseconds) {
    kernel().manualClock = true;
    kernel().ticks = milliseconds;
}

void set_system_time(long long unixSeconds, long nanoseconds) {
    kernel().calendar = (static_cast<ULONGLONG>(unixSeconds) + 11644473600ull) * 10000000ull +
                        static_cast<ULONGLONG>(nanoseconds) / 100;
    kernel().sleptAtCalendar = kernel().slept;
}

void advance_ticks(ULONGLONG milliseconds) {
    if (!kernel().manualClock) set_ticks(realTicks());
    kernel().ticks += milliseconds;
}

void set_current_thread(DWORD id) { kernel().thread = id; }

int live_handles() { return kernel().handles; }
int live_globals() { return kernel().globals; }
int locked_frees() { return kernel().lockedFrees; }

} // namespace sim

using sim::enter;
using sim::kernel;

DWORD WINAPI GetLastError() { return kernel().lastError; }

DWORD WINAPI GetCurrentThreadId() { return kernel().thread; }

void WINAPI SetLastError(DWORD code) { kernel().lastError = code; }

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD languageId, LPSTR buffer,
                            DWORD size, void *) {
    if (enter("FormatMessageA", "0x%X, %u, 0x%X, %u", flags, messageId, languageId, size)) return 0;
    static const struct {
        DWORD code;
        const char *text;
    } texts[] = {
        {ERROR_SUCCESS, "The operation completed successfully."},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
        {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
        {ERROR_ACCESS_DENIED, "Access is denied."},
        {ERROR_INVALID_HANDLE, "The handle is invalid."},
        {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this "
                                  "command."},
        {ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this "
                            "operation."},
        {ERROR_FILE_EXISTS, "The file exists."},
        {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
        {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
        {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
        {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
        {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
        {ERROR_CANNOT_FIND_WND_CLASS, "Cannot find window class."},
        {ERROR_CLASS_ALREADY_EXISTS, "Class already exists."},
    };
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (const auto &t : texts) {
        if (t.code != messageId) continue;
        int n = snprintf(buffer, size, "%s\r\n", t.text);
        if (n < 0 || static_cast<DWORD>(n) >= size) {
            buffer[0] = 0;
            SetLastError(122); // ERROR_INSUFFICIENT_BUFFER
            return 0;
        }
        return static_cast<DWORD>(n);
    }
    SetLastError(317); // ERROR_MR_MID_NOT_FOUND
    return 0;
}

SIZE_T WINAPI VirtualQuery(LPCVOID address, PMEMORY_BASIC_INFORMATION buffer, SIZE_T length) {
    if (enter("VirtualQuery", "%p, %zu", address, length)) return 0;
    if (!buffer || length < sizeof(MEMORY_BASIC_INFORMATION)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    memset(buffer, 0, sizeof *buffer);
    buffer->BaseAddress = const_cast<LPVOID>(address);
    buffer->AllocationBase = sim::moduleHandle();
    buffer->RegionSize = 4096;
    return sizeof *buffer;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR filename, DWORD size) {
    if (enter("GetModuleFileNameA", "%p, %u", static_cast<void *>(module), size)) return 0;
    std::string path = module == sim::moduleHandle() ? kernel().modulePath
                       : module == nullptr           ? std::string("C:\\Host\\host.exe")
                                                     : std::string();
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (size == 0) return 0;
    // Like Windows: a path that does not fit is cut and terminated, and the
    // result is the buffer size.
    size_t n = path.size() < size ? path.size() : size - 1;
    memcpy(filename, path.data(), n);
    filename[n] = 0;
    return n < path.size() ? size : static_cast<DWORD>(n);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    if (enter("GetModuleHandleA", "%s", moduleName ? moduleName : "(null)")) return nullptr;
    if (!moduleName) return nullptr; // the host's own module: not needed here
    std::string name = moduleName;
    if (name.find('.') == std::string::npos) name += ".dll";
    const std::string &path = kernel().modulePath;
    size_t slash = path.find_last_of('\\');
    std::string own = slash == std::string::npos ? path : path.substr(slash + 1);
    if (strcasecmp(name.c_str(), own.c_str()) == 0) return sim::moduleHandle();
    if (kernel().dpiFunctions && strcasecmp(name.c_str(), "user32.dll") == 0)
        return reinterpret_cast<HMODULE>(&sim::user32Token);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
    if (enter("LoadLibraryA", "%s", fileName ? fileName : "(null)")) return nullptr;
    // Like Windows, a bare name is looked for beside the program, then in the
    // current folder.
    std::string path = sim::host_path(fileName);
    if (path.find('/') == std::string::npos) {
        char exe[4096];
        ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        std::string dir = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
        dir = dir.substr(0, dir.find_last_of('/') + 1);
        struct stat st;
        path = (!dir.empty() && stat((dir + path).c_str(), &st) == 0) ? dir + path : "./" + path;
    }
    void *lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) SetLastError(ERROR_MOD_NOT_FOUND);
    return static_cast<HMODULE>(lib);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
    if (enter("GetProcAddress", "%p, %s", static_cast<void *>(module), procName)) return nullptr;
    if (module == reinterpret_cast<HMODULE>(&sim::user32Token)) {
        const struct {
            const char *name;
            FARPROC proc;
        } user32[] = {
            {"SetThreadDpiAwarenessContext", reinterpret_cast<FARPROC>(reinterpret_cast<void *>(sim::SetThreadDpiAwarenessContext))},
            {"GetDpiForWindow", reinterpret_cast<FARPROC>(reinterpret_cast<void *>(sim::GetDpiForWindow))},
            {"GetDpiForSystem", reinterpret_cast<FARPROC>(reinterpret_cast<void *>(sim::GetDpiForSystem))},
        };
        for (const auto &f : user32)
            if (procName && strcmp(procName, f.name) == 0) return f.proc;
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void *proc = dlsym(module, procName);
    if (!proc) SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<FARPROC>(proc);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    if (enter("FreeLibrary", "%p", static_cast<void *>(module))) return FALSE;
    return dlclose(module) == 0;
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    if (enter("CreateDirectoryA", "%s", path ? path : "(null)")) return FALSE;
    if (mkdir(sim::host_path(path).c_str(), 0777) == 0) return TRUE;
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : sim::errorFromErrno(errno));
    return FALSE;
}

BOOL WINAPI GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS level,
                                 LPVOID information) {
    if (enter("GetFileAttributesExA", "%s", fileName ? fileName : "(null)")) return FALSE;
    if (!fileName || !*fileName || !information || level != GetFileExInfoStandard) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    struct stat st;
    if (stat(sim::host_path(fileName).c_str(), &st) != 0) {
        SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : sim::errorFromErrno(errno));
        return FALSE;
    }
    // FILETIME: 100-nanosecond steps since 1 January 1601.
    auto fileTime = [](const struct timespec &t) {
        uint64_t ticks = (static_cast<uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
                         static_cast<uint64_t>(t.tv_nsec) / 100;
        return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    };
    WIN32_FILE_ATTRIBUTE_DATA *data = static_cast<WIN32_FILE_ATTRIBUTE_DATA *>(information);
    data->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    data->ftCreationTime = fileTime(st.st_ctim);
    data->ftLastAccessTime = fileTime(st.st_atim);
    data->ftLastWriteTime = fileTime(st.st_mtim);
    data->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
    data->nFileSizeLow = static_cast<DWORD>(st.st_size);
    return TRUE;
}

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                          DWORD disposition, DWORD flags, HANDLE) {
    if (enter("CreateFileA", "%s, 0x%X, %u, %u, 0x%X", fileName ? fileName : "(null)", access,
              shareMode, disposition, flags))
        return INVALID_HANDLE_VALUE;
    if (!fileName || !*fileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    int mode = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (disposition == CREATE_ALWAYS) mode |= O_CREAT | O_TRUNC;
    else if (disposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = sim::host_path(fileName);
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED); // Windows refuses to open a folder as a file
        return INVALID_HANDLE_VALUE;
    }
    int fd = open(path.c_str(), mode | O_CLOEXEC, 0666);
    if (fd < 0) {
        DWORD err = sim::errorFromErrno(errno);
        if (errno == ENOENT && disposition == CREATE_ALWAYS) err = ERROR_PATH_NOT_FOUND;
        if (errno == ENOENT && path.find('/') != std::string::npos) {
            std::string dir = path.substr(0, path.find_last_of('/'));
            if (stat(dir.c_str(), &st) != 0) err = ERROR_PATH_NOT_FOUND;
        }
        SetLastError(err);
        return INVALID_HANDLE_VALUE;
    }
    ++kernel().handles;
    return new sim::File{fd};
}

DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    if (enter("GetFileSize", "%p", file)) return INVALID_FILE_SIZE;
    struct stat st;
    if (!file || file == INVALID_HANDLE_VALUE ||
        fstat(static_cast<sim::File *>(file)->fd, &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
    return static_cast<DWORD>(st.st_size);
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    if (read) *read = 0;
    if (enter("ReadFile", "%p, %u", file, toRead)) return FALSE;
    if (!file || file == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD done = 0;
    while (done < toRead) {
        ssize_t n = ::read(static_cast<sim::File *>(file)->fd, static_cast<char *>(buffer) + done,
                           toRead - done);
        if (n < 0) {
            SetLastError(sim::errorFromErrno(errno));
            return FALSE;
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (read) *read = done;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
    if (written) *written = 0;
    if (enter("WriteFile", "%p, %u", file, toWrite)) return FALSE;
    if (!file || file == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (kernel().shortWriteIn > 0 && --kernel().shortWriteIn == 0 &&
        toWrite > kernel().shortWriteBytes)
        toWrite = kernel().shortWriteBytes;
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t n = ::write(static_cast<sim::File *>(file)->fd,
                            static_cast<const char *>(buffer) + done, toWrite - done);
        if (n <= 0) {
            SetLastError(sim::errorFromErrno(errno));
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE object) {
    if (enter("CloseHandle", "%p", object)) return FALSE;
    if (!object || object == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    sim::File *f = static_cast<sim::File *>(object);
    close(f->fd);
    delete f;
    --kernel().handles;
    return TRUE;
}

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (enter("GlobalAlloc", "0x%X, %zu", flags, bytes)) return nullptr;
    // A 32-bit process cannot have blocks of 2 GiB or more.
    unsigned char *data = bytes >= 0x80000000u ? nullptr
                                               : static_cast<unsigned char *>(malloc(bytes ? bytes : 1));
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // Without GMEM_ZEROINIT the contents are undefined; make reliance on them show.
    memset(data, (flags & GMEM_ZEROINIT) ? 0 : 0xCD, bytes);
    ++kernel().globals;
    return new sim::Global{data, bytes, 0};
}

LPVOID WINAPI GlobalLock(HGLOBAL memory) {
    if (enter("GlobalLock", "%p", memory)) return nullptr;
    if (!memory) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    sim::Global *g = static_cast<sim::Global *>(memory);
    ++g->locks;
    return g->data;
}

BOOL WINAPI GlobalUnlock(HGLOBAL memory) {
    if (enter("GlobalUnlock", "%p", memory)) return FALSE;
    sim::Global *g = static_cast<sim::Global *>(memory);
    if (!g || g->locks == 0) {
        SetLastError(158); // ERROR_NOT_LOCKED
        return FALSE;
    }
    --g->locks;
    if (g->locks > 0) return TRUE;
    SetLastError(ERROR_SUCCESS); // Windows: FALSE with NO_ERROR when the last lock goes
    return FALSE;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL memory) {
    if (enter("GlobalFree", "%p", memory)) return memory;
    if (!memory) return nullptr;
    sim::Global *g = static_cast<sim::Global *>(memory);
    if (g->locks > 0) ++kernel().lockedFrees; // freed all the same; a debug Windows says so
    free(g->data);
    delete g;
    --kernel().globals;
    return nullptr;
}

SIZE_T WINAPI GlobalSize(HGLOBAL memory) {
    return memory ? static_cast<sim::Global *>(memory)->size : 0;
}

ULONGLONG WINAPI GetTickCount64() {
    enter("GetTickCount64", "%s", "");
    return kernel().manualClock ? kernel().ticks : sim::realTicks();
}

// The calendar clock files are stamped by: the real one or the one a test
// set, moved on by what Sleep passed on the manual clock, so a file ages
// while the driver waits.
void WINAPI GetSystemTimeAsFileTime(FILETIME *time) {
    enter("GetSystemTimeAsFileTime", "%s", "");
    const sim::Kernel &k = kernel();
    uint64_t steps;
    if (k.calendar) {
        steps = k.calendar + (k.slept - k.sleptAtCalendar) * 10000ull;
    } else {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        steps = (static_cast<uint64_t>(now.tv_sec) + 11644473600ull) * 10000000ull +
                static_cast<uint64_t>(now.tv_nsec) / 100 + k.slept * 10000ull;
    }
    time->dwLowDateTime = static_cast<DWORD>(steps);
    time->dwHighDateTime = static_cast<DWORD>(steps >> 32);
}

DWORD WINAPI GetCurrentProcessId() {
    enter("GetCurrentProcessId", "%s", "");
    return static_cast<DWORD>(getpid());
}

// As Windows: the length without the terminator when the value fits, else
// the size the buffer needs; 0 with ERROR_ENVVAR_NOT_FOUND for no variable.
DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    if (enter("GetEnvironmentVariableA", "%s, %u", name ? name : "(null)", size)) return 0;
    auto it = name ? kernel().environment.find(name) : kernel().environment.end();
    if (it == kernel().environment.end()) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    DWORD length = static_cast<DWORD>(it->second.size());
    if (!buffer || size <= length) return length + 1;
    memcpy(buffer, it->second.c_str(), length + 1);
    return length;
}

BOOL WINAPI SetEnvironmentVariableA(LPCSTR name, LPCSTR value) {
    if (enter("SetEnvironmentVariableA", "%s, %s", name ? name : "(null)", value ? value : "(null)"))
        return FALSE;
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (value)
        kernel().environment[name] = value;
    else
        kernel().environment.erase(name);
    return TRUE;
}

void WINAPI Sleep(DWORD milliseconds) {
    enter("Sleep", "%u", milliseconds);
    if (kernel().manualClock) {
        kernel().ticks += milliseconds;
        kernel().slept += milliseconds;
        if (kernel().sleepHook) kernel().sleepHook(kernel().sleepContext);
        return;
    }
    timespec t{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

int WINAPI MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    int64_t product = static_cast<int64_t>(number) * numerator;
    // Round half away from zero, as Windows does.
    int64_t half = (denominator < 0 ? -static_cast<int64_t>(denominator) : denominator) / 2;
    bool negative = (product < 0) != (denominator < 0);
    int64_t magnitude = product < 0 ? -product : product;
    int64_t d = denominator < 0 ? -static_cast<int64_t>(denominator) : denominator;
    int64_t q = (magnitude + half) / d;
    if (q > INT32_MAX) return -1;
    return static_cast<int>(negative ? -q : q);
}
