#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tools/ToolCommandLine.h"

// The relay's command line.
struct RelayOptions {
    std::string address = "127.0.0.1";
    std::uint16_t port = 9117;
    std::string secretFile;
    bool allowWrites = false;
    int maxClients = 32;
    int idleSeconds = 120;
};

using ParsedRelayOptions = ParsedCommandLine<RelayOptions>;

// Reads the arguments after the program name. Listening beyond the loopback address needs a secret.
ParsedRelayOptions ParseRelayOptions(std::span<const std::string_view> arguments);

// The most connections the relay keeps; far below the descriptor limits of every platform.
inline constexpr int mostRelayClients = 60;
