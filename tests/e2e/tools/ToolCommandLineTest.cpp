// The relay, the stand-in simulator and the stand-in compiler run as a user runs them: each answers
// --help and --version on standard output with status 0, and refuses a command line it does not
// understand with one line on standard error and status 2, before doing anything else.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/TemporaryFolder.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string output;
    std::string errors;
};

ToolRun RunTool(const std::string& program, const std::string& arguments, const TemporaryFolder& folder) {
    const std::string command = "'" + program + "' " + arguments + " < /dev/null > '" +
                                folder.Path("out").string() + "' 2> '" + folder.Path("err").string() + "'";
    ToolRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = ReadBytes(folder.Path("out"));
    run.errors = ReadBytes(folder.Path("err"));
    return run;
}

TEST(ToolCommandLines, HelpVersionAndRefusalsAreTheSameForEveryTool) {
    const TemporaryFolder folder;
    const struct {
        const char* name;
        std::string program;
        const char* refused;  // a command line the tool does not take
    } tools[] = {
        {"grovewright-relay", RELAY_PROGRAM, "--no-such-option"},
        {"grovewright-sim", SIMULATOR_PROGRAM, "--latitude 95"},
        {"bglcomp", BGLCOMP_PROGRAM, ""},  // any other word is part of the file's name
    };
    for (const auto& [name, program, refusedArguments] : tools) {
        const ToolRun help = RunTool(program, "--help", folder);
        EXPECT_EQ(help.status, 0) << name;
        EXPECT_NE(help.output.find("Usage: " + std::string(name) + " [OPTIONS]"), std::string::npos)
            << help.output;
        EXPECT_NE(help.output.find("--version"), std::string::npos) << name;

        const ToolRun version = RunTool(program, "--version", folder);
        EXPECT_EQ(version.status, 0) << name;
        EXPECT_EQ(version.output, std::string(name) + " (Grovewright) " GROVEWRIGHT_VERSION "\n");

        const ToolRun refused = RunTool(program, refusedArguments, folder);
        EXPECT_EQ(refused.status, 2) << name;
        EXPECT_EQ(refused.output, "") << name;
        EXPECT_EQ(refused.errors.rfind(std::string(name) + ": ", 0), 0u) << refused.errors;
        EXPECT_NE(refused.errors.find(" (see --help)\n"), std::string::npos) << refused.errors;
    }
}

// Grovewright itself: the same --version and refusals; without a display one line, status 1, never
// Qt's abort.
TEST(ToolCommandLines, GrovewrightRefusesBeforeItNeedsADisplay) {
    const TemporaryFolder folder;
    const std::string program = GROVEWRIGHT_PROGRAM;
    const ToolRun version = RunTool(program, "--version", folder);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "grovewright (Grovewright) " GROVEWRIGHT_VERSION "\n");
    EXPECT_NE(RunTool(program, "--help", folder).output.find("--relay-secret-file <FILE>"), std::string::npos);

    const struct {
        const char* arguments;
        const char* error;
    } refusals[] = {
        {"--no-such-option", "grovewright: Unknown option 'no-such-option'. (see --help)\n"},
        {"--relay 10.0.0.1", "grovewright: --relay needs HOST:PORT"},
        {"--relay-secret-file secret.txt", "grovewright: --relay-secret-file is for a relay"},
        {"--relay 127.0.0.1:9117 --relay-secret-file /nonexistent/secret",
         "grovewright: no secret can be read from /nonexistent/secret"},
    };
    for (const auto& [arguments, error] : refusals) {
        const ToolRun refused = RunTool(program, arguments, folder);
        EXPECT_EQ(refused.status, 2) << arguments;
        EXPECT_EQ(refused.errors.rfind(error, 0), 0u) << refused.errors;
    }

    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        unsetenv(variable);
    }
    const ToolRun headless = RunTool(program, "", folder);
    EXPECT_EQ(headless.status, 1);
    EXPECT_EQ(headless.errors.rfind("grovewright: no display", 0), 0u) << headless.errors;
    EXPECT_EQ(std::count(headless.errors.begin(), headless.errors.end(), '\n'), 1);
}

}  // namespace
