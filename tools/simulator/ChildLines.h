#pragma once

#include <optional>
#include <string>

// Reading the stand-in simulator's standard output line by line as its parent, whichever platform's
// pipe carries the bytes.

// Takes the first whole line out of what has been read so far, without its line end (LF or CR LF).
inline std::optional<std::string> TakeLine(std::string& pending) {
    const auto end = pending.find('\n');
    if (end == std::string::npos) {
        return std::nullopt;
    }
    std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

// Reads the child's start-up through `readLine(timeoutMs)`, which gives "" when the child has ended or
// stayed silent that long. Every line up to its "ready" line goes into `startOutput`; the start
// position after it is passed over. False when no "ready" line came.
template <typename ReadLine>
bool AwaitReady(ReadLine&& readLine, int timeoutMs, std::string& startOutput) {
    for (std::string line = readLine(timeoutMs); !line.empty(); line = readLine(timeoutMs)) {
        startOutput += line + "\n";
        if (line.rfind("ready ", 0) == 0) {
            readLine(5000);
            return true;
        }
    }
    return false;
}
