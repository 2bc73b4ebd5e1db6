#include "tests/wine/SimulatorChild.h"

#include <optional>

#include "tools/simulator/ChildLines.h"

namespace {

// The Windows form of a path the build wrote with slashes: under Wine a Unix path is reached
// through drive Z:.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

}  // namespace

SimulatorChild::SimulatorChild(const std::string& program, const std::vector<std::string>& arguments) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr;
    HANDLE childOutput = nullptr;
    if (!CreatePipe(&childInput, &input, &inherited, 0) || !CreatePipe(&output, &childOutput, &inherited, 0)) {
        startOutput = "cannot create pipes";
        return;
    }
    SetHandleInformation(input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
    std::string commandLine = "\"" + WindowsPath(program) + "\"";
    for (const std::string& argument : arguments) {
        commandLine += " \"" + argument + "\"";
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childOutput;
    const bool started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process) != 0;
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (!started) {
        startOutput = "cannot start " + commandLine;
        return;
    }
    ready = AwaitReady([this](int timeoutMs) { return ReadLine(static_cast<DWORD>(timeoutMs)); }, 10000,
                       startOutput);
}

SimulatorChild::~SimulatorChild() {
    if (process.hProcess != nullptr) {
        DWORD written = 0;
        WriteFile(input, "quit\n", 5, &written, nullptr);
        if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, 5000);
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    if (input != nullptr) {
        CloseHandle(input);
    }
    if (output != nullptr) {
        CloseHandle(output);
    }
}

std::string SimulatorChild::Command(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    if (!WriteFile(input, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        return "";
    }
    return ReadLine(5000);
}

std::string SimulatorChild::ReadLine(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (std::optional<std::string> line = TakeLine(pending)) {
            return *line;
        }
        DWORD available = 0;
        if (!PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr)) {
            return "";  // the child has gone
        }
        if (available == 0) {
            if (GetTickCount64() >= deadline) {
                return "";
            }
            Sleep(5);
            continue;
        }
        char chunk[512];
        DWORD got = 0;
        if (!ReadFile(output, chunk, available < sizeof chunk ? available : sizeof chunk, &got, nullptr) || got == 0) {
            return "";
        }
        pending.append(chunk, got);
    }
}
