#pragma once

#include <filesystem>
#include <string>

#include "document/DocumentOutcomes.h"

// The compile step of a save: runs the scenery compiler on a planting file that stands in the program's
// folder. The compiler is the program's "bglcomp.exe" (in any letter case, see FindCompiler), run in
// that folder with the file's name as its one argument, its report appended to "t.txt" there (deleted
// first, so that it holds only this run's report). The compiler writes the .bgl file beside the XML file.

// The compiler's output name for an XML file name: its extension replaced by ".bgl".
std::string BglFileNameFor(const std::string& xmlFileName);

// Status Compiled, CompilerMissing, CannotRunWindowsProgram, CannotStart (error), CompilerFailed (code)
// or NoBglProduced; never NotRun.
CompileOutcome CompilePlantingFile(const std::filesystem::path& programFolder,
                                   const std::string& xmlFileName);
