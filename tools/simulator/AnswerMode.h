#pragma once

#include <cstdint>

// How the stand-in answers the link's messages: as a working server, or with one of the faults a link
// must survive.
struct AnswerMode {
    enum Kind {
        Normal,  // serves the area and answers 1
        Never,   // takes the message and never answers
        Zero,    // answers 0 without touching the area
        Slow,    // serves and answers 1 after delayMs
    };
    Kind kind = Normal;
    std::uint32_t delayMs = 0;
};
