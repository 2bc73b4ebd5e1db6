#include "simlink/posix/DescriptorPassing.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace DescriptorPassing {

namespace {

// Room for the descriptors of many requests, as one receive may take several.
constexpr std::size_t mostDescriptorsPerReceive = 64;

}  // namespace

bool SendWith(int socket, std::span<const std::byte> bytes, int descriptor) {
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    bool descriptorSent = false;
    while (!bytes.empty()) {
        iovec part{const_cast<std::byte*>(bytes.data()), bytes.size()};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        if (!descriptorSent) {
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            cmsghdr* header = CMSG_FIRSTHDR(&message);
            header->cmsg_level = SOL_SOCKET;
            header->cmsg_type = SCM_RIGHTS;
            header->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(header), &descriptor, sizeof descriptor);
        }
        const ssize_t sent = sendmsg(socket, &message, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        descriptorSent = true;
        bytes = bytes.subspan(static_cast<std::size_t>(sent));
    }
    return true;
}

ssize_t ReceiveWith(int socket, std::span<std::byte> out, std::deque<UniqueDescriptor>& arrived, bool& lost) {
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * mostDescriptorsPerReceive)];
    iovec part{out.data(), out.size()};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    if (got < 0) {
        return got;
    }
    lost = (message.msg_flags & MSG_CTRUNC) != 0;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) {
            continue;
        }
        const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int descriptor = -1;
            std::memcpy(&descriptor, CMSG_DATA(header) + i * sizeof(int), sizeof descriptor);
            arrived.emplace_back(descriptor);
        }
    }
    return got;
}

}  // namespace DescriptorPassing
