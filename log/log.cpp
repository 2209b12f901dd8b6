#include "log.h"

#include "config/config.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <ctime>

static FILE *LogStream;
static bool LogOpened;
static char BaseName[256];
static bool BaseNameComputed;
static char SystemText[1024];
static char ComposedError[1024 + 256 + 4];

static const char kSeparator[] = "===================================";

const char *ModuleBaseName() {
    if (BaseNameComputed) return BaseName;
    BaseNameComputed = true;

    // The allocation base of one of our own statics is our module handle:
    // this finds the library's file, not the host program's.
    MEMORY_BASIC_INFORMATION info;
    memset(&info, 0, sizeof info);
    HMODULE self = NULL;
    if (VirtualQuery(&BaseNameComputed, &info, sizeof info) != 0)
        self = static_cast<HMODULE>(info.AllocationBase);

    char path[1024];
    DWORD length = self ? GetModuleFileNameA(self, path, sizeof path) : 0;
    if (length >= sizeof path) length = sizeof path - 1;
    path[length] = 0;

    const char *name = path;
    for (DWORD i = length; i > 0; --i) {
        if (path[i - 1] == '\\') {
            name = path + i;
            break;
        }
    }
    size_t nameLength = strlen(name);
    nameLength = nameLength > 4 ? nameLength - 4 : 0;
    if (nameLength >= sizeof BaseName) nameLength = sizeof BaseName - 1;
    memcpy(BaseName, name, nameLength);
    BaseName[nameLength] = 0;
    return BaseName;
}

// The variable "TAVLORA_<what>_<module>", holding "<process id>:<value>".
// The module's base name is shorter than 256 characters: the name fits.
static void ProcessVariable(const char *what, char *name, size_t size) {
    snprintf(name, size, "TAVLORA_%s_%s", what, ModuleBaseName());
}

bool ReadProcessValue(const char *what, unsigned long long *value) {
    char name[300], text[64] = "";
    ProcessVariable(what, name, sizeof name);
    // No variable leaves the text empty; a longer one is no value of ours.
    DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    if (length >= sizeof text) return false;
    unsigned long process = 0;
    unsigned long long kept = 0;
    if (sscanf(text, "%lu:%llu", &process, &kept) != 2 || process != GetCurrentProcessId())
        return false;
    *value = kept;
    return true;
}

void KeepProcessValue(const char *what, unsigned long long value) {
    char name[300], text[64];
    ProcessVariable(what, name, sizeof name);
    snprintf(text, sizeof text, "%lu:%llu", static_cast<unsigned long>(GetCurrentProcessId()),
             value);
    SetEnvironmentVariableA(name, text);
}

void OpenLog() {
    if (LogOpened) return;
    LogOpened = true; // set first: the header's own WriteLog calls come back here

    // The first open in the process empties the file; every later one, in
    // this load of the library or a later one, appends.
    unsigned long long opened;
    bool appends = ReadProcessValue("LOG", &opened);
    CreateDirectoryA("logs", NULL);
    char path[256];
    int n = snprintf(path, sizeof path, "logs" PATH_SEP "%s.log", ModuleBaseName());
    if (n > 0 && static_cast<size_t>(n) < sizeof path) LogStream = fopen(path, appends ? "a" : "w");
    if (LogStream && !appends) KeepProcessValue("LOG", 1);
    if (!LogStream) printf("Failed to open ini file");

    WriteLog(kSeparator, kSeparator);
    WriteLog("Log File opened for ", ModuleBaseName());
    WriteLog(kSeparator, kSeparator);
}

void CloseLog() {
    if (!LogStream) return; // never opened, or kept closed
    fclose(LogStream);
    LogStream = NULL;
    LogOpened = false;
}

void KeepLogClosed() {
    LogOpened = true;
    if (LogStream) fclose(LogStream);
    LogStream = NULL;
}

void WriteLog(const char *event, const char *detail) {
    OpenLog();
    if (DebugLevel == 0 || !LogStream) return;
    char stamp[20];
    time_t now = time(NULL);
    const struct tm *local = localtime(&now);
    if (!local || strftime(stamp, sizeof stamp, "%H:%M:%S %d/%m/%y", local) == 0) stamp[0] = 0;
    fprintf(LogStream, "%s %s %s\n", stamp, event ? event : "", detail ? detail : "");
    fflush(LogStream);
}

const char *LogLastError(const char *prefix) {
    DWORD code = GetLastError();
    SystemText[0] = 0;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                  code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), SystemText,
                                  sizeof SystemText, NULL);
    if (length == 0)
        snprintf(SystemText, sizeof SystemText,
                 code > 0xFFFF ? "system error 0x%08lX" : "system error %lu",
                 static_cast<unsigned long>(code));
    snprintf(ComposedError, sizeof ComposedError, "%s : %s", prefix ? prefix : "", SystemText);
    WriteLog("Error", ComposedError);
    return ComposedError;
}
