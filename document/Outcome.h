#pragma once

#include <string>
#include <system_error>

// The one shape every outcome of the core shares, so that the window has one way to turn any of them
// into the text the user sees: what happened, the system's reason where there is one, and the names
// a message about it needs.
template <typename Status>
struct Outcome {
    Status status{};
    std::error_code error;    // the system's reason, where the step failed on one
    std::string path;         // the file the step concerns, as the message names it
    std::string destination;  // where the file was going (a move's folder); empty otherwise
    long long code = 0;       // a number the message needs: the compiler's exit status, the link's result
};
