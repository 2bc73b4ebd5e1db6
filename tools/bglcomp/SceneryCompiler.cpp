#include "tools/bglcomp/SceneryCompiler.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

#include "tools/bglcomp/BglEncoding.h"
#include "tools/bglcomp/CompileTime.h"
#include "tools/bglcomp/FileReplacing.h"
#include "tools/bglcomp/SceneryXmlReading.h"

namespace Bglcomp {

namespace {

void ReportHeading(std::ostream& report) {
    report << compilerName << ' ' << compilerVersion
           << " - Grovewright's scenery compiler for FS2004 library-object placements\n";
}

// FILE(LINE): error: MESSAGE, or FILE: error: MESSAGE for a problem with the file as a whole.
void ReportProblem(std::ostream& report, const std::string& xmlName, const Diagnostic& diagnostic) {
    report << xmlName;
    if (diagnostic.line > 0) {
        report << '(' << diagnostic.line << ')';
    }
    report << ": " << (diagnostic.isError ? "error: " : "warning: ") << diagnostic.message << '\n';
}

std::string Plural(std::size_t count, const char* noun) {
    return std::to_string(count) + ' ' + noun + (count == 1 ? "" : "s");
}

std::optional<SceneryXmlContents> ReadFile(const std::string& xmlName, std::ostream& report) {
    const int fd = open(xmlName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        report << xmlName << ": error: cannot open the file: " << std::strerror(errno) << '\n';
        return std::nullopt;
    }
    SceneryXmlContents contents = ReadSceneryXmlFd(fd);
    close(fd);
    return contents;
}

bool IsSameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

int Refuse(std::ostream& report, const std::string& xmlName, const std::string& bglName) {
    report << xmlName << ": no .bgl written (an earlier " << bglName << " is left as it was)\n";
    return exitFailed;
}

}  // namespace

std::string BglNameFor(const std::string& xmlName) {
    return std::filesystem::path(xmlName).replace_extension(".bgl").string();
}

int CompileSceneryFile(const std::string& xmlName, std::uint64_t fileTime, std::ostream& report) {
    const std::string bglName = BglNameFor(xmlName);
    report << "Compiling " << xmlName << '\n';
    if (IsSameFile(xmlName, bglName)) {
        report << xmlName << ": error: the input already has the .bgl name; it would be overwritten\n";
        return exitFailed;
    }
    std::optional<SceneryXmlContents> contents = ReadFile(xmlName, report);
    if (!contents) {
        return Refuse(report, xmlName, bglName);
    }
    for (const Diagnostic& diagnostic : contents->diagnostics) {
        ReportProblem(report, xmlName, diagnostic);
    }
    const std::size_t unshown = contents->errorCount + contents->warningCount - contents->diagnostics.size();
    if (unshown > 0) {
        report << xmlName << ": " << Plural(unshown, "more problem") << " not shown\n";
    }
    report << xmlName << ": " << Plural(contents->objectCount, "scenery object") << " read, "
           << Plural(contents->errorCount, "error") << ", " << Plural(contents->warningCount, "warning")
           << '\n';
    if (contents->errorCount > 0) {
        return Refuse(report, xmlName, bglName);
    }
    const std::size_t objectCount = contents->records.size();
    EncodedBgl bgl = EncodeBgl(contents->records, fileTime);
    contents->records = {};
    if (!bgl.Ok()) {
        report << xmlName << ": error: " << bgl.problem << '\n';
        return Refuse(report, xmlName, bglName);
    }
    const std::string problem = WriteFileReplacing(bglName, bgl.bytes);
    if (!problem.empty()) {
        report << bglName << ": error: " << problem << '\n';
        return Refuse(report, xmlName, bglName);
    }
    report << xmlName << ": wrote " << bglName << " (" << Plural(objectCount, "library object") << " in "
           << Plural(bgl.cellCount, "cell") << ", " << bgl.bytes.size() << " bytes)\n";
    return exitWritten;
}

int RunBglcomp(const std::vector<std::string>& arguments, const char* sourceDateEpoch, std::ostream& report) {
    ReportHeading(report);
    if (arguments.empty()) {
        return exitUsage;
    }
    std::string xmlName = arguments.front();
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        xmlName += ' ' + arguments[i];
    }
    std::uint64_t fileTime = FileTimeNow();
    if (sourceDateEpoch != nullptr) {
        const std::optional<std::uint64_t> fixed = FileTimeOfSourceDateEpoch(sourceDateEpoch);
        if (!fixed) {
            report << xmlName << ": error: SOURCE_DATE_EPOCH=\"" << sourceDateEpoch
                   << "\" is not a whole number of seconds since 1970\n";
            return Refuse(report, xmlName, BglNameFor(xmlName));
        }
        fileTime = *fixed;
    }
    return CompileSceneryFile(xmlName, fileTime, report);
}

}  // namespace Bglcomp
