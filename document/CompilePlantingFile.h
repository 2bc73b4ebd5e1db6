#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// The compile step of a save: runs the scenery compiler on a planting file that stands in the program's
// folder. The compiler is the program's "bglcomp.exe" (in any letter case), run in that folder with the
// file's name as its one argument, its report appended to "t.txt" there (deleted first, so that it holds
// only this run's report). The compiler writes the .bgl file beside the XML file.

struct CompileResult {
    enum class Status {
        Compiled,                 // exit status 0 and a new .bgl file
        CompilerMissing,          // no "bglcomp.exe" in the program's folder
        CannotRunWindowsProgram,  // the compiler is a Windows program and there is no wine to run it
        CannotStart,              // the compiler could not be started (see error)
        CompilerFailed,           // it ran and ended with a non-zero exit status
        NoBglProduced,            // it ended with status 0 but wrote no .bgl file
    };
    Status status = Status::CompilerMissing;
    int exitStatus = -1;
    std::filesystem::path report;  // the full path of "t.txt"
    std::string bglName;           // the .bgl file the compiler writes, without folder
    bool bglProduced = false;      // this run wrote (or replaced) that file
    std::error_code error;
};

// The compiler's output name for an XML file name: its extension replaced by ".bgl".
std::string BglFileNameFor(const std::string& xmlFileName);

CompileResult CompilePlantingFile(const std::filesystem::path& programFolder, const std::string& xmlFileName);
