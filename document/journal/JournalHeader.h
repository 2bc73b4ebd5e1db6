#pragma once

#include <cstdint>

// What a journal's header says about the program that wrote it.
struct JournalHeader {
    std::uint32_t formatVersion = 0;
    std::int64_t createdAt = 0;   // when the journal was created: seconds since 1970-01-01 UTC
    std::uint32_t processId = 0;  // the writing program's process

    bool operator==(const JournalHeader&) const = default;
};
