#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "simlink/IpcLinkMaker.h"

// Where the relay listens, as given by Grovewright's --relay option: HOST:PORT, with an IPv6
// address in brackets ([::1]:9117).
struct RelayAddress {
    std::string host;
    std::uint16_t port = 0;
};

// Reads HOST:PORT; false with a message for the user when it is not one.
bool ParseRelayAddress(std::string_view text, RelayAddress& address, std::string& problem);

// Links through the relay at host:port. The secret, when the relay needs one, is read each time a link
// is made from `secretFile`, or where that is empty from the file named by GROVEWRIGHT_RELAY_SECRET_FILE.
IpcLinkMaker RelayIpcLinkMaker(const std::string& host, std::uint16_t port, const std::string& secretFile = {});

// The environment variable that names the secret's file, and reading a secret file: its first line,
// without the line end and surrounding blanks. False when the file cannot be read or the line is empty.
inline constexpr const char* relaySecretVariable = "GROVEWRIGHT_RELAY_SECRET_FILE";
bool ReadRelaySecret(const std::string& file, std::string& secret);
