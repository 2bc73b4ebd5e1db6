#pragma once

#include "simlink/IpcTransport.h"

// The link's services on Windows: the server's top-level window, a registered window message, a
// global atom naming a paging-file-backed file mapping, and SendMessageTimeout.
class Win32Transport final : public IpcTransport {
public:
    ServerWindow FindServerWindow(const char* className) override;
    void ReleaseServerWindow(ServerWindow window) override;
    std::uint32_t RegisterMessage(const char* name) override;
    std::uint32_t ProcessId() override;

    std::uint16_t CreateAtom(const char* text) override;
    void ReleaseAtom(std::uint16_t atom) override;

    MappingOutcome CreateMapping(const char* name, std::uint32_t size) override;
    std::byte* MapView(MappingHandle mapping) override;
    void UnmapView(std::byte* view) override;
    void CloseMapping(MappingHandle mapping) override;

    SendOutcome SendRequest(ServerWindow window, std::uint32_t message, std::uint16_t atom,
                            std::uint32_t timeoutMs) override;
};
