#include "document/RunProgram.h"

#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#ifdef _WIN32

namespace {

// Quotes one argument so that the C runtime's command-line parser gives it back unchanged.
std::wstring QuotedArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

std::error_code WindowsError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder,
                      const std::filesystem::path& outputFile) {
    ProgramRun run;
    std::wstring commandLine;
    for (const std::string& argument : arguments) {
        if (!commandLine.empty()) {
            commandLine += L' ';
        }
        commandLine += QuotedArgument(std::filesystem::path(argument).wstring());
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE output = CreateFileW(outputFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                &inherit, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        run.error = WindowsError();
        return run;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL created = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, workingFolder.c_str(), &startup, &process);
    if (!created) {
        run.error = WindowsError();
        CloseHandle(output);
        return run;
    }
    CloseHandle(output);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.started = true;
    run.exitStatus = static_cast<int>(exitCode);
    return run;
}

std::filesystem::path FindOnPath(const std::string& programName) {
    wchar_t found[MAX_PATH];
    const std::wstring name = std::filesystem::path(programName).wstring();
    if (SearchPathW(nullptr, name.c_str(), L".exe", MAX_PATH, found, nullptr) == 0) {
        return {};
    }
    return found;
}

#else

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// In the child between fork and exec: only async-signal-safe calls. A failure is sent to the parent
// through the close-on-exec pipe, which stays empty when exec succeeds.
[[noreturn]] void StartChild(char* const* argv, const char* workingFolder, const char* outputFile, int report) {
    int failure = 0;
    const int input = open("/dev/null", O_RDONLY);
    const int output = open(outputFile, O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (chdir(workingFolder) != 0 || input < 0 || output < 0 || dup2(input, 0) < 0 || dup2(output, 1) < 0) {
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
        const std::filesystem::path candidate = std::filesystem::path(folder.empty() ? "." : folder) / programName;
        if (access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) {
            return candidate;
        }
        folders = end == std::string_view::npos ? std::string_view() : folders.substr(end + 1);
    }
    return {};
}

#endif
