#include "document/CompilePlantingFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <vector>

#include "document/RunProgram.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

const char* const compilerName = "bglcomp.exe";
const char* const reportName = "t.txt";

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// What identifies one version of a file, so that a .bgl left from an earlier compile is not taken for
// this run's output.
struct FileVersion {
    bool exists = false;
    std::uintmax_t size = 0;
    long long modified = 0;
    unsigned long long identity = 0;

    bool operator==(const FileVersion&) const = default;
};

FileVersion VersionOf(const std::filesystem::path& file) {
    FileVersion version;
#ifdef _WIN32
    std::error_code error;
    const auto time = std::filesystem::last_write_time(file, error);
    if (error || !std::filesystem::is_regular_file(file, error)) {
        return version;
    }
    version.exists = true;
    version.size = std::filesystem::file_size(file, error);
    version.modified = static_cast<long long>(time.time_since_epoch().count());
#else
    struct stat status {};
    if (stat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return version;
    }
    version.exists = true;
    version.size = static_cast<std::uintmax_t>(status.st_size);
    version.modified = static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
    version.identity = static_cast<unsigned long long>(status.st_ino);
#endif
    return version;
}

// The command that runs the compiler here: directly, or through wine for a Windows program on a
// system that is not Windows. An empty command means it cannot run.
std::vector<std::string> CompilerCommand(const std::filesystem::path& compiler, const std::string& xmlFileName) {
#ifndef _WIN32
    if (IsWindowsProgram(compiler)) {
        const std::filesystem::path wine = FindOnPath("wine");
        if (wine.empty()) {
            return {};
        }
        return {wine.string(), compiler.string(), xmlFileName};
    }
#endif
    return {compiler.string(), xmlFileName};
}

}  // namespace

std::string BglNameFor(const std::string& xmlFileName) {
    return std::filesystem::path(xmlFileName).replace_extension(".bgl").string();
}

std::filesystem::path FindCompiler(const std::filesystem::path& programFolder) {
    std::error_code error;
    for (std::filesystem::directory_iterator entry(programFolder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (SameIgnoringCase(entry->path().filename().string(), compilerName) &&
            entry->is_regular_file(error)) {
            return entry->path();
        }
    }
    return {};
}

bool IsWindowsProgram(const std::filesystem::path& program) {
    std::ifstream in(program, std::ios::binary);
    char signature[2] = {};
    return in.read(signature, 2) && signature[0] == 'M' && signature[1] == 'Z';
}

CompileResult CompilePlantingFile(const std::filesystem::path& programFolder, const std::string& xmlFileName) {
    CompileResult result;
    result.bglName = BglNameFor(xmlFileName);
    const std::filesystem::path compiler = FindCompiler(programFolder);
    if (compiler.empty()) {
        result.status = CompileResult::Status::CompilerMissing;
        return result;
    }
    const std::vector<std::string> command = CompilerCommand(std::filesystem::absolute(compiler), xmlFileName);
    if (command.empty()) {
        result.status = CompileResult::Status::CannotRunWindowsProgram;
        return result;
    }

    const std::filesystem::path report = programFolder / reportName;
    std::error_code ignored;
    std::filesystem::remove(report, ignored);
    const std::filesystem::path bgl = programFolder / result.bglName;
    const FileVersion before = VersionOf(bgl);

    const ProgramRun run = RunProgram(command, programFolder, report);
    if (!run.started) {
        result.status = CompileResult::Status::CannotStart;
        result.error = run.error;
        return result;
    }
    const FileVersion after = VersionOf(bgl);
    result.exitStatus = run.exitStatus;
    result.bglProduced = after.exists && !(after == before);
    if (run.exitStatus != 0) {
        result.status = CompileResult::Status::CompilerFailed;
    } else if (!result.bglProduced) {
        result.status = CompileResult::Status::NoBglProduced;
    } else {
        result.status = CompileResult::Status::Compiled;
    }
    return result;
}
