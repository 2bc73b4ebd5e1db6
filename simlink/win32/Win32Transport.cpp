#include "simlink/win32/Win32Transport.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

HWND AsWindow(ServerWindow window) { return reinterpret_cast<HWND>(window); }

HANDLE AsHandle(MappingHandle mapping) { return reinterpret_cast<HANDLE>(mapping); }

}  // namespace

ServerWindow Win32Transport::FindServerWindow(const char* className) {
    return reinterpret_cast<ServerWindow>(FindWindowExA(nullptr, nullptr, className, nullptr));
}

void Win32Transport::ReleaseServerWindow(ServerWindow) {
    // A found window is only a name for the server's window; there is nothing to give back.
}

std::uint32_t Win32Transport::RegisterMessage(const char* name) { return RegisterWindowMessageA(name); }

std::uint32_t Win32Transport::ProcessId() { return GetCurrentProcessId(); }

std::uint16_t Win32Transport::CreateAtom(const char* text) { return GlobalAddAtomA(text); }

void Win32Transport::ReleaseAtom(std::uint16_t atom) { GlobalDeleteAtom(atom); }

MappingOutcome Win32Transport::CreateMapping(const char* name, std::uint32_t size) {
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    const bool alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
    return MappingOutcome{reinterpret_cast<MappingHandle>(mapping), mapping != nullptr && alreadyExisted};
}

std::byte* Win32Transport::MapView(MappingHandle mapping) {
    return static_cast<std::byte*>(MapViewOfFile(AsHandle(mapping), FILE_MAP_WRITE, 0, 0, 0));
}

void Win32Transport::UnmapView(std::byte* view) { UnmapViewOfFile(view); }

void Win32Transport::CloseMapping(MappingHandle mapping) { CloseHandle(AsHandle(mapping)); }

SendOutcome Win32Transport::SendRequest(ServerWindow window, std::uint32_t message, std::uint16_t atom,
                                        std::uint32_t timeoutMs) {
    DWORD_PTR answer = 0;
    const LRESULT sent =
        SendMessageTimeoutA(AsWindow(window), message, atom, 0, SMTO_BLOCK, timeoutMs, &answer);
    if (sent == 0) {
        // Windows reports a server that did not answer in time as ERROR_TIMEOUT; for the link that is a
        // time-out, not a failed send.
        const DWORD failure = GetLastError();
        return SendOutcome{false, 0, failure == ERROR_TIMEOUT ? 0 : failure};
    }
    return SendOutcome{true, answer, 0};
}
