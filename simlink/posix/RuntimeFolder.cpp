#include "simlink/posix/RuntimeFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::string UserName() {
    std::vector<char> scratch(4096);
    passwd entry{};
    passwd* found = nullptr;
    std::string name;
    if (getpwuid_r(geteuid(), &entry, scratch.data(), scratch.size(), &found) == 0 && found != nullptr) {
        name = found->pw_name;
    }
    if (name.empty()) {
        name = "uid" + std::to_string(geteuid());
    }
    for (char& c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '_' || c == '-';
        if (!plain) {
            c = '_';
        }
    }
    return name;
}

RuntimeFolder Refuse(const std::string& path, const std::string& why) {
    return RuntimeFolder{"", "runtime folder " + path + " " + why};
}

std::string Octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%03o", static_cast<unsigned>(mode & 07777));
    return text;
}

RuntimeFolder Checked(const std::string& path) {
    // The socket path must fit a socket address, terminating zero included.
    const std::size_t longestSocketPath = path.size() + 1 + RuntimeFolder::longestClassName;
    if (longestSocketPath >= sizeof(sockaddr_un::sun_path)) {
        return Refuse(
            path, "is too long for a local socket (" + std::to_string(path.size()) + " characters, at most " +
                      std::to_string(sizeof(sockaddr_un::sun_path) - 2 - RuntimeFolder::longestClassName) +
                      "); set XDG_RUNTIME_DIR to a shorter one");
    }
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        return Refuse(path, std::string("cannot be examined: ") + std::strerror(errno));
    }
    if (S_ISLNK(status.st_mode)) {
        return Refuse(path, "is a symbolic link; it must be a folder of your own");
    }
    if (!S_ISDIR(status.st_mode)) {
        return Refuse(path, "is not a folder");
    }
    if (status.st_uid != geteuid()) {
        return Refuse(
            path, "belongs to another user (uid " + std::to_string(status.st_uid) + "); it must be yours");
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return Refuse(path, "is open to other users (mode " + Octal(status.st_mode) +
                                "); make it yours alone (chmod 700)");
    }
    return RuntimeFolder{path, ""};
}

}  // namespace

RuntimeFolder RuntimeFolder::Find() {
    const char* configured = std::getenv("XDG_RUNTIME_DIR");
    if (configured != nullptr && configured[0] == '/') {
        return Checked(configured);
    }
    const std::string path = "/tmp/grovewright-" + UserName();
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return Refuse(path, std::string("cannot be created: ") + std::strerror(errno));
    }
    return Checked(path);
}
