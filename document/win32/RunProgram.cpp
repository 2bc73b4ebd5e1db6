#include "document/RunProgram.h"

#include <windows.h>

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

std::error_code WindowsError() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

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
    // Both streams to the one appending handle: the report holds them in the order written.
    startup.hStdError = output;
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

std::vector<std::string> CommandToRun(const std::filesystem::path& program,
                                      const std::vector<std::string>& arguments) {
    std::vector<std::string> command{program.string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}
