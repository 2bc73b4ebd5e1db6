#include "simlink/IpcResult.h"

#include <array>

namespace {

constexpr std::array<const char*, 16> texts = {
    "Okay",
    "Attempt to Open when already Open",
    "Cannot link to FSUIPC or WideClient",
    "Failed to Register common message with Windows",
    "Failed to create Atom for mapping filename",
    "Failed to create a file mapping object",
    "Failed to open a view to the file map",
    "Incorrect version of FSUIPC, or not FSUIPC",
    "Flight Simulator is not version requested",
    "Call cannot execute: Link not Open",
    "Call cannot execute: No requests accumulated",
    "IPC timed out all retries",
    "IPC sendmessage failed all retries",
    "IPC request contains bad data",
    "Maybe running on WideClient, but FS not running on Server, or wrong FSUIPC",
    "Read or Write request cannot be added, memory for Process is full",
};

}  // namespace

const char* IpcResultText(IpcResult result) {
    const auto code = static_cast<std::uint32_t>(result);
    return code < texts.size() ? texts[code] : "Unknown error";
}
