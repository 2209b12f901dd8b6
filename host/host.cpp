// tavlora-host: a stand-in for the host application. It loads a display
// driver library by file name, resolves the nine entry points (by plain or
// by decorated name) and runs a script of calls, printing what each returns.
// With --check FILE it loads no driver and reports how the driver reads a
// configuration file (host/check.h).
#include "driver/tavlora.h"
#include "host/check.h"
#include "host/script.h"
#include "platform/platform.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Driver {
    HMODULE library;
    const char *file;
    bool decorated;
    DisplayInitProc Init;
    DisplayDoneProc Done;
    DisplayWriteProc Write;
    DisplaySetPositionProc SetPosition;
    DisplayCustomCharProc CustomChar;
    DisplayCustomCharIndexProc CustomCharIndex;
    DisplayTextProc DriverName;
    DisplayTextProc Usage;
    DisplayTextProc DefaultParameters;
};

template <typename Proc>
bool Resolve(HMODULE library, const char *name, int argBytes, bool decorated, Proc *proc) {
    char symbol[64];
    if (decorated) snprintf(symbol, sizeof symbol, "%s@%d", name, argBytes);
    else snprintf(symbol, sizeof symbol, "%s", name);
    *proc = reinterpret_cast<Proc>(reinterpret_cast<void *>(GetProcAddress(library, symbol)));
    if (*proc) return true;
    fprintf(stderr, "tavlora-host: %s not found in the driver (error %lu)\n", symbol,
            static_cast<unsigned long>(GetLastError()));
    return false;
}

bool Load(const char *file, bool decorated, Driver *d) {
    HMODULE library = LoadLibraryA(file);
    d->library = library;
    d->file = file;
    d->decorated = decorated;
    if (!library) {
        fprintf(stderr, "tavlora-host: cannot load %s (error %lu)\n", file,
                static_cast<unsigned long>(GetLastError()));
        return false;
    }
    bool ok = Resolve(library, "DISPLAYDLL_Init", 16, decorated, &d->Init);
    ok &= Resolve(library, "DISPLAYDLL_Done", 0, decorated, &d->Done);
    ok &= Resolve(library, "DISPLAYDLL_Write", 4, decorated, &d->Write);
    ok &= Resolve(library, "DISPLAYDLL_SetPosition", 8, decorated, &d->SetPosition);
    ok &= Resolve(library, "DISPLAYDLL_CustomChar", 8, decorated, &d->CustomChar);
    ok &= Resolve(library, "DISPLAYDLL_CustomCharIndex", 4, decorated, &d->CustomCharIndex);
    ok &= Resolve(library, "DISPLAYDLL_DriverName", 0, decorated, &d->DriverName);
    ok &= Resolve(library, "DISPLAYDLL_Usage", 0, decorated, &d->Usage);
    ok &= Resolve(library, "DISPLAYDLL_DefaultParameters", 0, decorated, &d->DefaultParameters);
    return ok;
}

bool Quiet; // set while a repeated command runs all but its last time

__attribute__((format(printf, 1, 2))) void Say(const char *format, ...) {
    if (Quiet) return;
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
}

void PrintText(const char *verb, const char *text) {
    Say("%s -> %p %s\n", verb, static_cast<const void *>(text), ShowText(text).c_str());
}

bool CopyWhole(const std::string &from, const std::string &to) {
    FILE *in = fopen(from.c_str(), "rb");
    if (!in) return false;
    std::string bytes;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, n);
    fclose(in);
    FILE *out = fopen(to.c_str(), "wb");
    if (!out) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return fclose(out) == 0 && ok;
}

void Run(Driver &d, const ScriptCommand &c, unsigned char okByte) {
    const std::string &v = c.verb;
    std::vector<long> n = c.numbers;
    if (v == "init" || v == "initnull") {
        char ok = static_cast<char>(okByte);
        std::string params = c.text;
        bool null = v == "initnull";
        char *name = d.Init(static_cast<UINT>(n[0]), static_cast<UINT>(n[1]),
                            null ? nullptr : &params[0], null ? nullptr : &ok);
        Say("%s %ld %ld -> %s, ok=%d\n", v.c_str(), n[0], n[1], ShowText(name).c_str(),
               null ? -1 : static_cast<unsigned char>(ok));
    } else if (v == "write" || v == "writenull") {
        std::string text = c.text;
        d.Write(v == "write" ? &text[0] : nullptr);
        Say("%s %s\n", v.c_str(), v == "write" ? ShowText(text.c_str()).c_str() : "");
    } else if (v == "goto") {
        d.SetPosition(static_cast<UINT>(n[0]), static_cast<UINT>(n[1]));
        Say("goto %ld %ld\n", n[0], n[1]);
    } else if (v == "char" || v == "charnull") {
        char data[8];
        for (int i = 0; i < 8 && v == "char"; ++i) data[i] = static_cast<char>(n[1 + i]);
        d.CustomChar(static_cast<UINT>(n[0]), v == "char" ? data : nullptr);
        Say("%s %ld\n", v.c_str(), n[0]);
    } else if (v == "index") {
        Say("index %ld -> %u\n", n[0], d.CustomCharIndex(static_cast<UINT>(n[0])));
    } else if (v == "name") {
        PrintText("name", d.DriverName());
    } else if (v == "usage") {
        PrintText("usage", d.Usage());
    } else if (v == "defaults") {
        PrintText("defaults", d.DefaultParameters());
    } else if (v == "pause") {
        Sleep(static_cast<DWORD>(n[0]));
    } else if (v == "window") {
        HWND window = FindWindowA("Tavlora", NULL);
        RECT outer = {0, 0, 0, 0}, client = {0, 0, 0, 0};
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        Say("window found=%d style=0x%08lX rect=%ld,%ld,%ld,%ld client=%ldx%ld visible=%d "
            "iconic=%d\n",
               window != NULL, static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
               static_cast<long>(outer.left), static_cast<long>(outer.top),
               static_cast<long>(outer.right), static_cast<long>(outer.bottom),
               static_cast<long>(client.right), static_cast<long>(client.bottom),
               window && IsWindowVisible(window) ? 1 : 0, window && IsIconic(window) ? 1 : 0);
    } else if (v == "copy") {
        // Replaces a file as an editor's save does (to try WatchConfig=1).
        std::string from = c.text.substr(0, c.text.find(' '));
        std::string to = c.text.substr(c.text.find(' ') + 1);
        Say("copy %s %s -> %d\n", from.c_str(), to.c_str(), CopyWhole(from, to) ? 1 : 0);
    } else if (v == "close") {
        HWND window = FindWindowA("Tavlora", NULL);
        Say("close posted=%d\n", window && PostMessageA(window, WM_CLOSE, 0, 0) ? 1 : 0);
    } else if (v == "minimize") {
        HWND window = FindWindowA("Tavlora", NULL);
        ShowWindow(window, SW_MINIMIZE);
        Say("minimize iconic=%d\n", window && IsIconic(window) ? 1 : 0);
    } else if (v == "move") {
        // As a user's drag ends: the window moved, then the end of the move
        // posted for the driver's next call.
        HWND window = FindWindowA("Tavlora", NULL);
        bool moved = window && SetWindowPos(window, NULL, static_cast<int>(n[0]),
                                            static_cast<int>(n[1]), 0, 0,
                                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Say("move moved=%d", moved ? 1 : 0);
        Say(" posted=%d\n", window && PostMessageA(window, WM_EXITSIZEMOVE, 0, 0) ? 1 : 0);
    } else if (v == "dpi") {
        // As the system tells a window dragged onto a monitor of N DPI: its
        // size scaled from the current DPI (96 here), its corner kept.
        HWND window = FindWindowA("Tavlora", NULL);
        RECT rect = {0, 0, 0, 0};
        if (window) GetWindowRect(window, &rect);
        RECT suggested = {rect.left, rect.top,
                          rect.left + MulDiv(rect.right - rect.left, static_cast<int>(n[0]), 96),
                          rect.top + MulDiv(rect.bottom - rect.top, static_cast<int>(n[0]), 96)};
        WPARAM dpi = static_cast<WPARAM>(n[0] | (n[0] << 16));
        Say("dpi sent=%d\n",
            window ? static_cast<int>(SendMessageA(window, WM_DPICHANGED, dpi,
                                                   reinterpret_cast<LPARAM>(&suggested)) == 0)
                   : 0);
    } else if (v == "reload") {
        // Unloads the driver and loads it again, as hosts that switch
        // drivers do.
        Say("reload freed=%d", FreeLibrary(d.library) ? 1 : 0);
        Say(" loaded=%d\n", Load(d.file, d.decorated, &d) ? 1 : 0);
    } else if (v == "postquit") {
        PostQuitMessage(static_cast<int>(n[0]));
        Say("postquit %ld\n", n[0]);
    } else if (v == "checkquit") {
        MSG message;
        bool found = false;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            if (message.message == WM_QUIT) {
                found = true;
                Say("quit message present code=%ld\n", static_cast<long>(message.wParam));
            }
        if (!found) Say("quit message missing\n");
    } else if (v == "done") {
        Say("done\n");
        fflush(stdout);
        d.Done();
        Say("done returned\n");
    }
    fflush(stdout);
}

int Usage() {
    fprintf(stderr,
            "usage: tavlora-host [--dll FILE] [--decorated] [--ok N] [--script FILE] [COMMAND...]\n"
            "       tavlora-host --check FILE.cfg\n"
            "  Loads the driver (default Tavlora.dll), then runs the script file and the\n"
            "  commands given as arguments, in that order. Commands: init X Y [PARAMS],\n"
            "  write TEXT, goto COLUMN ROW, char N B0..B7, index N, name, usage, defaults,\n"
            "  pause MS, done, initnull X Y, writenull, charnull N, copy FROM TO,\n"
            "  window, close, minimize, reload (unload the driver and load it again),\n"
            "  move X Y (and the end of a move), dpi N (a change of monitor DPI),\n"
            "  postquit N, checkquit.\n"
            "  --check reads a configuration file as the driver does and reports each\n"
            "  line; exit status 0: all read, 1: lines ignored or partly read, 2: unreadable.\n");
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && strcmp(argv[1], "--check") == 0) {
        if (argc != 3) return Usage();
        std::string report;
        CheckResult result = CheckConfig(argv[2], &report);
        if (result == CheckUnreadable) fprintf(stderr, "tavlora-host: %s", report.c_str());
        else fputs(report.c_str(), stdout);
        return result;
    }
    const char *dll = "Tavlora.dll";
    bool decorated = false;
    unsigned char okByte = 0;
    std::vector<std::string> lines;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--dll" && i + 1 < argc) dll = argv[++i];
        else if (a == "--decorated") decorated = true;
        else if (a == "--ok" && i + 1 < argc) okByte = static_cast<unsigned char>(atoi(argv[++i]));
        else if (a == "--script" && i + 1 < argc) {
            std::ifstream in(argv[++i], std::ios::binary);
            if (!in) {
                fprintf(stderr, "tavlora-host: cannot read %s\n", argv[i]);
                return 2;
            }
            for (std::string line; std::getline(in, line);) lines.push_back(line);
        } else if (a == "--help" || a == "-h" || (a.size() > 1 && a[0] == '-' && a[1] == '-'))
            return Usage();
        else
            lines.push_back(a);
    }

    std::vector<ScriptCommand> commands;
    for (size_t i = 0; i < lines.size(); ++i) {
        ScriptCommand c;
        std::string error;
        if (!ParseScriptLine(lines[i], &c, &error)) {
            fprintf(stderr, "tavlora-host: line %zu: %s\n", i + 1, error.c_str());
            return 2;
        }
        if (!c.verb.empty()) commands.push_back(c);
    }

    Driver driver;
    if (!Load(dll, decorated, &driver)) return 1;
    printf("loaded %s (%s names)\n", dll, decorated ? "decorated" : "plain");
    for (const ScriptCommand &c : commands) {
        if (c.verb != "repeat") {
            Run(driver, c, okByte);
            continue;
        }
        // A repeat prints only its last round.
        for (long i = 0; i < c.repeat; ++i) {
            Quiet = i + 1 < c.repeat;
            for (const ScriptCommand &part : c.group) Run(driver, part, okByte);
        }
        Quiet = false;
    }
    return 0;
}
