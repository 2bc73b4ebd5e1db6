#include "document/CompilePlantingFile.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "document/RunProgram.h"
#include "document/SystemCalls.h"

namespace {

const char* const compilerName = "bglcomp.exe";
const char* const reportName = "t.txt";

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The compiler in the folder, found whatever the letter case of "bglcomp.exe"; empty if none.
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

CompileResult::Status StatusAfterRun(int exitStatus, bool bglProduced) {
    if (exitStatus != 0) {
        return CompileResult::Status::CompilerFailed;
    }
    return bglProduced ? CompileResult::Status::Compiled : CompileResult::Status::NoBglProduced;
}

}  // namespace

std::string BglFileNameFor(const std::string& xmlFileName) {
    return std::filesystem::path(xmlFileName).replace_extension(".bgl").string();
}

CompileResult CompilePlantingFile(const std::filesystem::path& programFolder, const std::string& xmlFileName) {
    CompileResult result;
    result.report = programFolder / reportName;
    result.bglName = BglFileNameFor(xmlFileName);
    const std::filesystem::path compiler = FindCompiler(programFolder);
    if (compiler.empty()) {
        result.status = CompileResult::Status::CompilerMissing;
        return result;
    }
    const std::vector<std::string> command = CommandToRun(std::filesystem::absolute(compiler), {xmlFileName});
    if (command.empty()) {
        result.status = CompileResult::Status::CannotRunWindowsProgram;
        return result;
    }

    std::error_code ignored;
    std::filesystem::remove(result.report, ignored);
    const std::filesystem::path bgl = programFolder / result.bglName;
    const SystemCalls::FileVersion before = SystemCalls::VersionOf(bgl);

    const ProgramRun run = RunProgram(command, programFolder, result.report);
    if (!run.started) {
        result.status = CompileResult::Status::CannotStart;
        result.error = run.error;
        return result;
    }
    const SystemCalls::FileVersion after = SystemCalls::VersionOf(bgl);
    result.exitStatus = run.exitStatus;
    result.bglProduced = after.exists && !(after == before);
    result.status = StatusAfterRun(run.exitStatus, result.bglProduced);
    return result;
}
