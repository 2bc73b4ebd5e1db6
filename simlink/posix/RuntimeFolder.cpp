#include "simlink/posix/RuntimeFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

RuntimeFolder Checked(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        return Refuse(path, std::string("cannot be examined: ") + std::strerror(errno));
    }
    if (!S_ISDIR(status.st_mode)) {
        return Refuse(path, "is not a directory");
    }
    if (status.st_uid != geteuid()) {
        return Refuse(path, "belongs to another user");
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return Refuse(path, "is open to other users");
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
