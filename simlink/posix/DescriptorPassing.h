#pragma once

#include <sys/types.h>

#include <cstddef>
#include <deque>
#include <span>

#include "simlink/posix/UniqueDescriptor.h"

// Handing open descriptors over a local stream socket (SCM_RIGHTS), as the link hands its request
// area to the server with each request.
namespace DescriptorPassing {

// Sends all the bytes, with the descriptor travelling alongside the first of them; false with errno
// set when the socket fails.
bool SendWith(int socket, std::span<const std::byte> bytes, int descriptor);

// Receives what has arrived, up to out.size() bytes, like recv; the descriptors that came with it are
// appended to `arrived` in the order they were sent. `lost` is set when the system had to drop
// descriptors for want of room, after which the pairing of descriptors and bytes cannot be trusted.
ssize_t ReceiveWith(int socket, std::span<std::byte> out, std::deque<UniqueDescriptor>& arrived, bool& lost);

}  // namespace DescriptorPassing
