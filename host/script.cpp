#include "script.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool DecodeEscapes(const std::string &in, std::string *out) {
    out->clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out->push_back(in[i]);
            continue;
        }
        if (i + 1 < in.size() && in[i + 1] == '\\') {
            out->push_back('\\');
            ++i;
        } else if (i + 3 < in.size() && in[i + 1] == 'x' && HexDigit(in[i + 2]) >= 0 &&
                   HexDigit(in[i + 3]) >= 0) {
            out->push_back(static_cast<char>(HexDigit(in[i + 2]) * 16 + HexDigit(in[i + 3])));
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

std::string ShowText(const char *text, bool keepBackslashes) {
    if (!text) return "(null)";
    std::string out = "\"";
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        if ((*p == '\\' && !keepBackslashes) || *p == '"' || *p < 32 || *p > 126) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", *p);
            out += hex;
        } else {
            out += static_cast<char>(*p);
        }
    }
    return out + "\"";
}

static bool ReadNumbers(std::istringstream &in, size_t count, ScriptCommand *command,
                        std::string *error) {
    for (size_t i = 0; i < count; ++i) {
        std::string word;
        char *end = nullptr;
        if (!(in >> word) || (command->numbers.push_back(strtol(word.c_str(), &end, 0)), *end)) {
            *error = command->verb + " needs " + std::to_string(count) + " numbers";
            return false;
        }
    }
    std::string extra;
    if (in >> extra) {
        *error = "too many arguments for " + command->verb;
        return false;
    }
    return true;
}

bool ParseScriptLine(const std::string &raw, ScriptCommand *command, std::string *error) {
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    *command = ScriptCommand();
    std::istringstream in(line);
    if (!(in >> command->verb) || command->verb[0] == '#') {
        command->verb.clear();
        return true;
    }
    if (command->verb == "repeat") {
        std::string rest;
        if (!(in >> command->repeat) || command->repeat < 0 || !std::getline(in, rest)) {
            *error = "repeat needs a count and a command";
            return false;
        }
        for (size_t start = 0; start <= rest.size();) {
            size_t end = rest.find(" ; ", start);
            if (end == std::string::npos) end = rest.size();
            ScriptCommand part;
            if (!ParseScriptLine(rest.substr(start, end - start), &part, error)) return false;
            if (part.verb.empty() || part.verb == "repeat") {
                *error = "repeat needs commands (not another repeat)";
                return false;
            }
            command->group.push_back(part);
            start = end + 3;
        }
        return true;
    }
    const std::string &v = command->verb;
    if (v == "write") {
        size_t start = line.find("write") + 5;
        if (start < line.size() && line[start] == ' ') ++start;
        if (!DecodeEscapes(line.substr(start), &command->text)) {
            *error = "bad escape in write (use \\xNN or \\\\)";
            return false;
        }
        return true;
    }
    if (v == "init") {
        for (int i = 0; i < 2; ++i) {
            std::string word;
            char *end = nullptr;
            if (!(in >> word) || (command->numbers.push_back(strtol(word.c_str(), &end, 0)), *end)) {
                *error = "init needs X and Y";
                return false;
            }
        }
        std::string rest;
        std::getline(in, rest);
        if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
        if (DecodeEscapes(rest, &command->text)) return true;
        *error = "bad escape in init";
        return false;
    }
    if (v == "copy") {
        // Two file names without blanks, kept in `text` as "FROM TO".
        std::string from, to;
        if (!(in >> from >> to)) {
            *error = "copy needs FROM and TO";
            return false;
        }
        command->text = from + " " + to;
        return true;
    }
    if (v == "goto" || v == "initnull" || v == "move") return ReadNumbers(in, 2, command, error);
    if (v == "char") return ReadNumbers(in, 9, command, error);
    if (v == "index" || v == "pause" || v == "charnull" || v == "postquit" || v == "dpi")
        return ReadNumbers(in, 1, command, error);
    if (v == "name" || v == "usage" || v == "defaults" || v == "done" || v == "writenull" ||
        v == "window" || v == "close" || v == "checkquit" || v == "minimize" || v == "reload")
        return ReadNumbers(in, 0, command, error);
    *error = "unknown command: " + v;
    return false;
}
