#include "tools/bglcomp/FileReplacing.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace Bglcomp {

namespace {

std::string SystemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Creates a temporary file beside the target that no one else has; gives its descriptor and name.
int CreateTemporary(const std::string& path, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::string WriteFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    if (fd < 0) {
        return SystemError("cannot create a temporary file beside it");
    }
    std::string problem;
    if (!WriteAll(fd, bytes)) {
        problem = SystemError("cannot write");
    } else if (fsync(fd) != 0) {
        problem = SystemError("cannot flush to disk");
    }
    if (close(fd) != 0 && problem.empty()) {
        problem = SystemError("cannot close");
    }
    if (problem.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) {
        problem = SystemError("cannot put it in place");
    }
    if (!problem.empty()) {
        unlink(temporary.c_str());
    }
    return problem;
}

}  // namespace Bglcomp
