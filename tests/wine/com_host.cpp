// com-host.exe: a host that sets up COM on its thread before it loads the
// driver ("sta", "mta" or "none" as its argument), records through the
// driver once, and writes to com.txt the apartment its thread is in
// afterwards. record_test.cpp runs it.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>

typedef char *(WINAPI *InitProc)(UINT, UINT, char *, char *);
typedef void(WINAPI *WriteProc)(char *);
typedef void(WINAPI *DoneProc)();

// Asking for a single-threaded apartment tells which one the thread is in.
static const char *Apartment() {
    HRESULT result = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    if (result == RPC_E_CHANGED_MODE) return "mta";
    CoUninitialize(); // balances S_OK and S_FALSE alike
    return result == S_FALSE ? "sta" : "none";
}

int main(int argc, char **argv) {
    const char *model = argc > 1 ? argv[1] : "none";
    if (strcmp(model, "sta") == 0) CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    if (strcmp(model, "mta") == 0) CoInitializeEx(NULL, COINIT_MULTITHREADED);
    HMODULE driver = LoadLibraryA("Tavlora.dll");
    if (!driver) return 2;
    InitProc init = reinterpret_cast<InitProc>(reinterpret_cast<void *>(GetProcAddress(driver, "DISPLAYDLL_Init")));
    WriteProc write = reinterpret_cast<WriteProc>(reinterpret_cast<void *>(GetProcAddress(driver, "DISPLAYDLL_Write")));
    DoneProc done = reinterpret_cast<DoneProc>(reinterpret_cast<void *>(GetProcAddress(driver, "DISPLAYDLL_Done")));
    if (!init || !write || !done) return 3;
    char ok = 0;
    char none[] = "";
    init(0, 0, none, &ok);
    char text[] = "com";
    write(text);
    FILE *out = fopen("com.txt", "wb");
    if (!out) return 4;
    fprintf(out, "ok=%d apartment=%s\n", ok, Apartment());
    fclose(out);
    done(); // ends the process with status 0
    return 0;
}
