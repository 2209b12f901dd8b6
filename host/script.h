// The stand-in host's script: one call of the driver per line.
//
//   init X Y [PARAMS]     DISPLAYDLL_Init (PARAMS: the rest of the line)
//   write TEXT            DISPLAYDLL_Write; \xNN is a byte, \\ a backslash
//   goto COLUMN ROW       DISPLAYDLL_SetPosition
//   char N B0 ... B7      DISPLAYDLL_CustomChar (numbers: decimal or 0x hex)
//   index N               DISPLAYDLL_CustomCharIndex
//   name | usage | defaults   the three texts
//   pause MILLISECONDS    wait without calling the driver
//   done                  DISPLAYDLL_Done
//   initnull X Y | writenull | charnull N   the calls with null pointers
//   repeat N CMD [; CMD]  runs the commands N times (" ; " separates them)
//   window                prints the display window's class, style, rectangles
//   close                 posts a close request to the display window
//   postquit N | checkquit   posts a quit message to the host's thread / looks for it
// Blank lines and lines starting with "#" are skipped.
#pragma once

#include <string>
#include <vector>

struct ScriptCommand {
    std::string verb;
    std::vector<long> numbers; // numeric arguments, in order
    std::string text;          // decoded text of init and write
    long repeat = 1;                   // for "repeat": how many times
    std::vector<ScriptCommand> group;  // for "repeat": the commands
    int line = 0;
};

// Decodes \xNN and \\ escapes. Returns false on a malformed escape.
bool DecodeEscapes(const std::string &in, std::string *out);

// Printable form of a text in double quotes: a backslash (unless kept, as
// in Windows paths), a quote and bytes outside 32..126 as \xNN. "(null)"
// for a null pointer.
std::string ShowText(const char *text, bool keepBackslashes = false);

// Parses one script line; false with a message in *error when it is not a
// command. A blank or comment line gives an empty verb.
bool ParseScriptLine(const std::string &line, ScriptCommand *command, std::string *error);
