#pragma once

#include <unistd.h>

#include <utility>

// Owns one open file descriptor and closes it when it goes; -1 when it holds none.
class UniqueDescriptor {
public:
    UniqueDescriptor() = default;
    explicit UniqueDescriptor(int owned) : descriptor(owned) {}
    ~UniqueDescriptor() { Reset(); }
    UniqueDescriptor(UniqueDescriptor&& other) noexcept : descriptor(other.Release()) {}
    UniqueDescriptor& operator=(UniqueDescriptor&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueDescriptor(const UniqueDescriptor&) = delete;
    UniqueDescriptor& operator=(const UniqueDescriptor&) = delete;

    int Get() const { return descriptor; }
    bool IsOpen() const { return descriptor >= 0; }
    int Release() { return std::exchange(descriptor, -1); }
    void Reset(int owned = -1) {
        if (descriptor >= 0) {
            close(descriptor);
        }
        descriptor = owned;
    }

private:
    int descriptor = -1;
};
