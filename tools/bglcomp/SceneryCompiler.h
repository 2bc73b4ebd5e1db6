#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// The compiler run: one planting XML file in, its .bgl file beside it, the report on a stream.
namespace Bglcomp {

inline constexpr const char* compilerName = "bglcomp";
inline constexpr const char* compilerVersion = "1.0";

// Exit statuses: the .bgl file was written; the input or the output failed; no file was named.
inline constexpr int exitWritten = 0;
inline constexpr int exitFailed = 1;
inline constexpr int exitUsage = 2;

// The .bgl file's name for an XML file's name: same folder and base name, extension .bgl.
std::string BglNameFor(const std::string& xmlName);

// Compiles one XML file into its .bgl file, stamped with fileTime, and reports on report.
// The .bgl file is replaced only when the whole input was good and the new file is complete.
int CompileSceneryFile(const std::string& xmlName, std::uint64_t fileTime, std::ostream& report);

// The program: the arguments after the program name, the environment's SOURCE_DATE_EPOCH (or
// nullptr), the report stream. Several arguments are one file name that a shell split at blanks; none
// is a usage fault (exitUsage), which the command line reports before.
int RunBglcomp(const std::vector<std::string>& arguments, const char* sourceDateEpoch, std::ostream& report);

}  // namespace Bglcomp
