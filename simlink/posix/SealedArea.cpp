#include "simlink/posix/SealedArea.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string>

namespace SealedArea {

namespace {

constexpr int areaSeals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL;

// How the system lists a memory file's descriptor: "/memfd:" + label + " (deleted)".
constexpr std::string_view listedPrefix = "/memfd:";
constexpr std::string_view listedSuffix = " (deleted)";

}  // namespace

UniqueDescriptor Create(const char* label, std::uint32_t size) {
    UniqueDescriptor area(memfd_create(label, MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!area.IsOpen() || ftruncate(area.Get(), size) != 0 ||
        fcntl(area.Get(), F_ADD_SEALS, areaSeals) != 0) {
        return UniqueDescriptor();
    }
    return area;
}

bool IsSealed(int descriptor, std::uint32_t size) {
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size != size) {
        return false;
    }
    const int seals = fcntl(descriptor, F_GET_SEALS);
    return seals >= 0 && (seals & areaSeals) == areaSeals;
}

bool LabelInUse(std::string_view label) {
    const std::string listed = std::string(listedPrefix).append(label).append(listedSuffix);
    DIR* descriptors = opendir("/proc/self/fd");
    if (descriptors == nullptr) {
        return false;
    }
    bool found = false;
    std::array<char, 512> target{};
    while (const dirent* entry = readdir(descriptors)) {
        const ssize_t at = readlinkat(dirfd(descriptors), entry->d_name, target.data(), target.size());
        if (at > 0 && std::string_view(target.data(), static_cast<std::size_t>(at)) == listed) {
            found = true;
            break;
        }
    }
    closedir(descriptors);
    return found;
}

}  // namespace SealedArea
