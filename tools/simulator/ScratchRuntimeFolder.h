#pragma once

#include <string>

// A fresh private runtime folder (mode 0700 under /tmp) that XDG_RUNTIME_DIR points to while it
// lives, so that a test's links and the simulators it starts meet there and nowhere else. The folder
// and everything in it go when it does, and XDG_RUNTIME_DIR gets its old value back.
class ScratchRuntimeFolder {
public:
    ScratchRuntimeFolder();
    ~ScratchRuntimeFolder();
    ScratchRuntimeFolder(const ScratchRuntimeFolder&) = delete;
    ScratchRuntimeFolder& operator=(const ScratchRuntimeFolder&) = delete;

    const std::string& Path() const { return path; }

private:
    std::string path;
    std::string previous;
    bool hadPrevious = false;
};
