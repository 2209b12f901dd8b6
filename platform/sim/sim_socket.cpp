// Simulated threads and sockets: the simulation starts no thread and opens
// no socket, so the web view fails cleanly at its start. Each call is
// journaled; the locks are real mutexes, for code that takes them.
#include "sim_internal.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {
const int kNoSockets = WSAENETDOWN;
}

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                           LPDWORD) {
    if (sim::enter("CreateThread", "%s", "")) return nullptr;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    sim::enter("WaitForSingleObject", "%p, %u", object, milliseconds);
    return WAIT_OBJECT_0;
}

BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR, HMODULE *module) {
    if (sim::enter("GetModuleHandleExA", "0x%x", flags)) return FALSE;
    *module = GetModuleHandleA(nullptr);
    return FALSE;
}

void WINAPI FreeLibraryAndExitThread(HMODULE, DWORD) {
    sim::enter("FreeLibraryAndExitThread", "%s", "");
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) {
    sim::enter("InitializeCriticalSection", "%s", "");
    section->simLock = new std::mutex;
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) {
    sim::enter("DeleteCriticalSection", "%s", "");
    delete static_cast<std::mutex *>(section->simLock);
    section->simLock = nullptr;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) {
    static_cast<std::mutex *>(section->simLock)->lock();
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) {
    static_cast<std::mutex *>(section->simLock)->unlock();
}

int WINAPI WSAStartup(WORD version, WSADATA *) {
    sim::enter("WSAStartup", "0x%x", version);
    return WSASYSNOTREADY;
}

int WINAPI WSACleanup() {
    sim::enter("WSACleanup", "%s", "");
    return SOCKET_ERROR;
}

int WINAPI WSAGetLastError() {
    return kNoSockets;
}

SOCKET WINAPI socket(int family, int type, int protocol) {
    sim::enter("socket", "%d, %d, %d", family, type, protocol);
    return INVALID_SOCKET;
}

int WINAPI bind(SOCKET, const sockaddr *, int) {
    sim::enter("bind", "%s", "");
    return SOCKET_ERROR;
}

int WINAPI listen(SOCKET, int) {
    sim::enter("listen", "%s", "");
    return SOCKET_ERROR;
}

SOCKET WINAPI accept(SOCKET, sockaddr *, int *) {
    sim::enter("accept", "%s", "");
    return INVALID_SOCKET;
}

int WINAPI __WSAFDIsSet(SOCKET, fd_set *) {
    return 0;
}

int WINAPI select(int, fd_set *, fd_set *, fd_set *, timeval *) {
    sim::enter("select", "%s", "");
    return SOCKET_ERROR;
}

int WINAPI recv(SOCKET, char *, int, int) {
    sim::enter("recv", "%s", "");
    return SOCKET_ERROR;
}

int WINAPI send(SOCKET, const char *, int, int) {
    sim::enter("send", "%s", "");
    return SOCKET_ERROR;
}

int WINAPI closesocket(SOCKET) {
    sim::enter("closesocket", "%s", "");
    return SOCKET_ERROR;
}

int WINAPI shutdown(SOCKET, int) {
    sim::enter("shutdown", "%s", "");
    return SOCKET_ERROR;
}

int WINAPI ioctlsocket(SOCKET, LONG, ULONG *) {
    sim::enter("ioctlsocket", "%s", "");
    return SOCKET_ERROR;
}

int WINAPI setsockopt(SOCKET, int, int, const char *, int) {
    sim::enter("setsockopt", "%s", "");
    return SOCKET_ERROR;
}

// Reads a dotted IPv4 address as Winsock does: four decimal parts of 0 to
// 255 and nothing else; 0 for any other text.
int WINAPI inet_pton(int family, const char *text, void *address) {
    sim::enter("inet_pton", "%d, %s", family, text ? text : "(null)");
    if (family != AF_INET || !text) return 0;
    unsigned parts[4];
    char end;
    if (sscanf(text, "%3u.%3u.%3u.%3u%c", &parts[0], &parts[1], &parts[2], &parts[3], &end) != 4)
        return 0;
    BYTE bytes[4];
    for (int i = 0; i < 4; ++i) {
        if (parts[i] > 255) return 0;
        bytes[i] = static_cast<BYTE>(parts[i]);
    }
    memcpy(address, bytes, sizeof bytes);
    return 1;
}

unsigned short WINAPI htons(unsigned short value) {
    return static_cast<unsigned short>((value << 8) | (value >> 8));
}
