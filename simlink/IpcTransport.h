#pragma once

#include <cstddef>
#include <cstdint>

// Opaque handles of the transport: 0 means none.
using ServerWindow = std::uintptr_t;
using MappingHandle = std::uintptr_t;

// What creating the named shared memory gave: the handle (0 on failure) and whether an object of that
// name existed already. A handle to an existing object must still be closed by the caller.
struct MappingOutcome {
    MappingHandle handle = 0;
    bool alreadyExisted = false;
};

// What one blocking send of the registered message gave: delivered is false when the send failed or
// timed out, and lastError then holds the system's error code (0 when it gave none).
struct SendOutcome {
    bool delivered = false;
    std::uintptr_t answer = 0;
    std::uint32_t lastError = 0;
};

// The system services the simulator link needs to reach the server: its window, the registered
// message, the global atom naming the shared memory, the shared memory itself and the blocking send.
// One implementation per platform; tests put a fake in its place.
class IpcTransport {
public:
    virtual ~IpcTransport() = default;

    // The server's top-level window of the given class, or 0 if there is none.
    virtual ServerWindow FindServerWindow(const char* className) = 0;
    // Gives up whatever FindServerWindow holds for the window (nothing on Windows).
    virtual void ReleaseServerWindow(ServerWindow window) = 0;
    // The id of the registered window message of that name, or 0 on failure.
    virtual std::uint32_t RegisterMessage(const char* name) = 0;
    virtual std::uint32_t ProcessId() = 0;

    // A global atom whose text is the given string, or 0 on failure.
    virtual std::uint16_t CreateAtom(const char* text) = 0;
    virtual void ReleaseAtom(std::uint16_t atom) = 0;

    // The named read/write shared memory of the given size.
    virtual MappingOutcome CreateMapping(const char* name, std::uint32_t size) = 0;
    // A writable view of the whole object, or null on failure.
    virtual std::byte* MapView(MappingHandle mapping) = 0;
    virtual void UnmapView(std::byte* view) = 0;
    virtual void CloseMapping(MappingHandle mapping) = 0;

    // Sends the message to the window with the atom as its parameter and waits for the answer,
    // blocking, at most timeoutMs milliseconds.
    virtual SendOutcome SendRequest(ServerWindow window, std::uint32_t message, std::uint16_t atom,
                                    std::uint32_t timeoutMs) = 0;
};
