#include "tools/simulator/ScratchRuntimeFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

ScratchRuntimeFolder::ScratchRuntimeFolder() {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
        previous = old;
        hadPrevious = true;
    }
    char pattern[] = "/tmp/grovewright-run-XXXXXX";
    if (mkdtemp(pattern) != nullptr) {  // made with mode 0700
        path = pattern;
        setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }
}

ScratchRuntimeFolder::~ScratchRuntimeFolder() {
    if (hadPrevious) {
        setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }
    if (!path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
}
