#include "document/CompilePlantingFile.h"

#include <vector>

#include "document/FindCompiler.h"
#include "document/RunProgram.h"
#include "document/SystemCalls.h"

namespace {

const char* const reportName = "t.txt";

CompileStatus StatusAfterRun(int exitStatus, bool bglProduced) {
    if (exitStatus != 0) {
        return CompileStatus::CompilerFailed;
    }
    return bglProduced ? CompileStatus::Compiled : CompileStatus::NoBglProduced;
}

}  // namespace

std::string BglFileNameFor(const std::string& xmlFileName) {
    return std::filesystem::path(xmlFileName).replace_extension(".bgl").string();
}

CompileOutcome CompilePlantingFile(const std::filesystem::path& programFolder,
                                   const std::string& xmlFileName) {
    CompileOutcome outcome;
    outcome.code = -1;
    const std::filesystem::path report = programFolder / reportName;
    outcome.path = report.string();
    outcome.bglName = BglFileNameFor(xmlFileName);
    const std::filesystem::path compiler = FindCompiler(programFolder);
    if (compiler.empty()) {
        outcome.status = CompileStatus::CompilerMissing;
        return outcome;
    }
    const std::vector<std::string> command = CommandToRun(std::filesystem::absolute(compiler), {xmlFileName});
    if (command.empty()) {
        outcome.status = CompileStatus::CannotRunWindowsProgram;
        return outcome;
    }

    std::error_code ignored;
    std::filesystem::remove(report, ignored);
    const std::filesystem::path bgl = programFolder / outcome.bglName;
    const SystemCalls::FileVersion before = SystemCalls::VersionOf(bgl);

    const ProgramRun run = RunProgram(command, programFolder, report);
    if (!run.started) {
        outcome.status = CompileStatus::CannotStart;
        outcome.error = run.error;
        return outcome;
    }
    const SystemCalls::FileVersion after = SystemCalls::VersionOf(bgl);
    outcome.code = run.exitStatus;
    outcome.bglProduced = after.exists && !(after == before);
    outcome.status = StatusAfterRun(run.exitStatus, outcome.bglProduced);
    return outcome;
}
