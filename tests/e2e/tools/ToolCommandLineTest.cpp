// The relay, the stand-in simulator and the stand-in compiler run as a user runs them: each answers
// --help and --version on standard output with status 0, and refuses a command line it does not
// understand with one line on standard error and status 2, before doing anything else.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
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

}  // namespace
