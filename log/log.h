// The debug log "logs\<module>.log" and the library's own module name.
#pragma once

// The library's file name without folder and without its last four
// characters ("Tavlora" for "Tavlora.dll"). Computed once.
const char *ModuleBaseName();

// Opens the log: its first open in the process empties the file, every
// later one appends, also after the library was unloaded and loaded again.
// Later calls do nothing until CloseLog.
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

// A number that outlives the library in this process (a host may unload
// the driver and load it again): kept in the environment variable
// "TAVLORA_<what>_<module>" and tagged with the process id, so a child
// process that inherits the variable does not take it. False when none
// was kept in this process.
bool ReadProcessValue(const char *what, unsigned long long *value);
void KeepProcessValue(const char *what, unsigned long long value);

// One timestamped, flushed line "event detail", when DebugLevel is non-zero.
void WriteLog(const char *event, const char *detail);

// Logs the calling thread's last system error under "Error" as
// "prefix : system text" and returns that composed text.
const char *LogLastError(const char *prefix);
