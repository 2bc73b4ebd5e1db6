#include "document/RunProgram.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// In the child between fork and exec: only async-signal-safe calls. A failure is sent to the parent
// through the close-on-exec pipe, which stays empty when exec succeeds. Standard output and standard
// error share one description of the report file, so that the report holds both in the order written.
[[noreturn]] void StartChild(char* const* argv, const char* workingFolder, const char* outputFile,
                             int report) {
    int failure = 0;
    const int input = open("/dev/null", O_RDONLY);
    const int output = open(outputFile, O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (chdir(workingFolder) != 0 || input < 0 || output < 0 || dup2(input, 0) < 0 || dup2(output, 1) < 0 ||
        dup2(output, 2) < 0) {
        failure = errno;
    } else {
        execvp(argv[0], argv);
        failure = errno;
    }
    [[maybe_unused]] const ssize_t ignored = write(report, &failure, sizeof failure);
    _exit(127);
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder,
                      const std::filesystem::path& outputFile) {
    ProgramRun run;
    if (arguments.empty()) {
        run.error = std::make_error_code(std::errc::invalid_argument);
        return run;
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const std::string folder = workingFolder.string();
    const std::string output = std::filesystem::absolute(outputFile).string();

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        run.error = LastError();
        return run;
    }
    const pid_t child = fork();
    if (child < 0) {
        run.error = LastError();
        close(report[0]);
        close(report[1]);
        return run;
    }
    if (child == 0) {
        close(report[0]);
        StartChild(argv.data(), folder.c_str(), output.c_str(), report[1]);
    }
    close(report[1]);
    int failure = 0;
    ssize_t got;
    do {
        got = read(report[0], &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    close(report[0]);

    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof failure)) {
        run.error = {failure, std::generic_category()};
        return run;
    }
    run.started = true;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::filesystem::path FindOnPath(const std::string& programName) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return {};
    }
    std::string_view folders(path);
    while (!folders.empty()) {
        const std::size_t end = folders.find(':');
        const std::string_view folder = folders.substr(0, end);
        const std::filesystem::path candidate =
            std::filesystem::path(folder.empty() ? "." : folder) / programName;
        if (access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) {
            return candidate;
        }
        folders = end == std::string_view::npos ? std::string_view() : folders.substr(end + 1);
    }
    return {};
}

namespace {

// A Windows executable starts with the "MZ" signature.
bool IsWindowsProgram(const std::filesystem::path& program) {
    std::ifstream in(program, std::ios::binary);
    char signature[2] = {};
    return in.read(signature, 2) && signature[0] == 'M' && signature[1] == 'Z';
}

}  // namespace

std::vector<std::string> CommandToRun(const std::filesystem::path& program,
                                      const std::vector<std::string>& arguments) {
    std::vector<std::string> command;
    if (IsWindowsProgram(program)) {
        const std::filesystem::path wine = FindOnPath("wine");
        if (wine.empty()) {
            return {};
        }
        command.push_back(wine.string());
    }
    command.push_back(program.string());
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}
