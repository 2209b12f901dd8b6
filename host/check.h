// The configuration check (tavlora-host --check FILE): reads a configuration
// file with the driver's own reader and reports, line by line, what each
// line set and to which value or why it was ignored, then the settings the
// whole file leaves.
//
// Exit status: 0 when every line is a comment, empty, free text (no "=", or
// a "/" after leading blanks) or a setting read whole; 1 when a line with "="
// was ignored, a value was not a number or a colour short of three numbers,
// or a line other than a comment was longer than 127 characters; 2 when the
// file cannot be read.
#pragma once

#include <string>

enum CheckResult { CheckClean = 0, CheckProblems = 1, CheckUnreadable = 2 };

// Checks the file at `path`, starting from the driver's load values (all
// zero), and appends the report to *report (for CheckUnreadable, the reason).
// Creates and writes no file: the driver's log stays closed for the rest of
// the process. The settings the file leaves stay in the driver's variables.
CheckResult CheckConfig(const char *path, std::string *report);
