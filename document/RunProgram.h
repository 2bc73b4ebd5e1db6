#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

// Runs a program without a command interpreter, so that arguments with blanks or shell characters
// reach it as they stand, and waits until it ends.
struct ProgramRun {
    bool started = false;   // false: the program could not be started (see error)
    int exitStatus = -1;    // the program's exit status; -1 where it ended by a signal
    std::error_code error;  // why it could not be started
};

// `arguments[0]` is the program (a path, or a bare name looked up on PATH). The program runs in
// `workingFolder`; its standard output and standard error are appended to `outputFile` (created if
// missing) in the order written; its standard input is empty.
ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder,
                      const std::filesystem::path& outputFile);

// The full path of a program found on PATH, or an empty path.
std::filesystem::path FindOnPath(const std::string& programName);

// The command that runs `program` with `arguments` here: the program itself, or on a system that is
// not Windows a Windows program through wine. Empty where nothing here can run it.
std::vector<std::string> CommandToRun(const std::filesystem::path& program,
                                      const std::vector<std::string>& arguments);
