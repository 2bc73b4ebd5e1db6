#pragma once

#include <cstdint>
#include <string_view>

#include "simlink/posix/UniqueDescriptor.h"

// The link's request area on POSIX: an anonymous memory file that lives only as long as some
// descriptor or mapping of it does, so that no client leaves one behind however it ends. Its
// descriptor travels to the server with every request. The file is sealed against shrinking and
// growing, and against changes to its seals: a server cannot cut it short under the client's mapping
// (the client would fault reading its answer), and a client cannot do so under the server's.
namespace SealedArea {

// A new sealed area of `size` zero bytes; `label` is its name as the system lists it. Not open on
// failure.
UniqueDescriptor Create(const char* label, std::uint32_t size);

// Whether the descriptor is a memory file of exactly `size` bytes carrying all the area's seals,
// which makes it safe to map and use whatever its sender does later.
bool IsSealed(int descriptor, std::uint32_t size);

// Whether this process holds an area of that label open already.
bool LabelInUse(std::string_view label);

}  // namespace SealedArea
