#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The compile time stamped into a .bgl header, as a Windows FILETIME (100 ns ticks since
// 1601-01-01 UTC). SOURCE_DATE_EPOCH, when set, replaces the clock so that builds are reproducible.
namespace Bglcomp {

// The FILETIME of whole seconds since 1970-01-01 UTC.
std::uint64_t FileTimeOfUnixSeconds(std::uint64_t seconds);
// The FILETIME of now.
std::uint64_t FileTimeNow();
// SOURCE_DATE_EPOCH's text (decimal seconds since 1970) as a FILETIME; nothing if it is not one.
std::optional<std::uint64_t> FileTimeOfSourceDateEpoch(std::string_view text);

}  // namespace Bglcomp
