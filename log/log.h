// The debug log "logs\<module>.log" and the library's own module name.
#pragma once

// The library's file name without folder and without its last four
// characters ("Tavlora" for "Tavlora.dll"). Computed once.
const char *ModuleBaseName();

// Opens the log on its first call in the process, emptying the file; later
// calls do nothing until CloseLog.
void OpenLog();

// Closes the log file (DISPLAYDLL_Done, and the library's unloading): a host
// that loads and unloads the driver many times keeps no file open. The next
// line written opens it again, and appends.
void CloseLog();

// Keeps the log closed for the rest of the process: later WriteLog calls
// create no folder or file and write nothing. The driver never calls it;
// the host's configuration check does, so reading a file with "Debug=1"
// leaves no trace beside it.
void KeepLogClosed();

// One timestamped, flushed line "event detail", when DebugLevel is non-zero.
void WriteLog(const char *event, const char *detail);

// Logs the calling thread's last system error under "Error" as
// "prefix : system text" and returns that composed text.
const char *LogLastError(const char *prefix);
