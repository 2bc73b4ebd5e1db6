#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/TemporaryFolder.h"
#include "tests/unit/bglcomp/PlantingXmlText.h"

// The built compiler, installed into a temporary program folder as Grovewright finds it, and run in
// that folder with its report appended to "t.txt". Grovewright runs it without a shell, appending the
// output itself; these tests use the shell only to spell the redirection and the quoting.
namespace {

const std::string guid = "4808A0B04D43FC5620867D91FC8C6EB3";

class CompilerRun : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(BGLCOMP_PROGRAM, folder_.Path("bglcomp.exe"));
        std::filesystem::copy_file(BGLCOMP_SCHEMA, folder_.Path("bglcomp.xsd"));
    }

    // Runs the command line through /bin/sh in the program folder; gives the exit status.
    int Shell(const std::string& command, const char* locale = "C", rlim_t fileSizeLimit = RLIM_INFINITY) {
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(folder_.Path().c_str()) != 0) {
                _exit(126);
            }
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            setenv("LC_ALL", locale, 1);
            setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    TemporaryFolder folder_;
};

std::string TwoTrees() {
    return PlantingXmlText::Document(
        {{51.5, -0.5, 25.0500504, guid}, {-33.9461, 151.1772, 47.5434126, guid}});
}

}  // namespace

TEST_F(CompilerRun, CompilesAFileWhoseNameHasBlanksExactlyAsGrovewrightCallsIt) {
    folder_.Write("my forest.xml", TwoTrees());
    EXPECT_EQ(Shell("./bglcomp.exe my forest.xml >> t.txt"), 0);
    EXPECT_NE(folder_.Read("t.txt").find("my forest.xml: wrote my forest.bgl ("), std::string::npos)
        << folder_.Read("t.txt");

    // The same again with a quoted name, and under a locale that writes decimal commas: same bytes.
    const std::string first = folder_.Read("my forest.bgl");
    EXPECT_EQ(Shell("./bglcomp.exe \"my forest.xml\" >> t.txt", "de_DE.UTF-8"), 0);
    EXPECT_EQ(folder_.Read("my forest.bgl"), first);
}

// A write that fails half-way (a file-size limit) leaves the earlier .bgl and no temporary file.
TEST_F(CompilerRun, AFailedWriteKeepsTheEarlierBgl) {
    std::vector<PlantingXmlText::Entry> many;
    for (int i = 0; i < 500; ++i) {
        many.push_back({10.0 + i * 0.01, 20.0 + i * 0.01, 30.0, guid});
    }
    folder_.Write("big.xml", PlantingXmlText::Document(many));
    folder_.Write("big.bgl", "earlier");
    EXPECT_EQ(Shell("./bglcomp.exe big.xml > t.txt", "C", 4096), 1);
    EXPECT_NE(folder_.Read("t.txt").find("big.bgl: error: cannot write: File too large"), std::string::npos)
        << folder_.Read("t.txt");
    EXPECT_EQ(folder_.Read("big.bgl"), "earlier");
    EXPECT_EQ(folder_.EntryCount(), 5u);  // program, schema, xml, bgl, report

    // A .bgl name taken by a folder cannot be replaced either.
    std::filesystem::create_directory(folder_.Path("dir.bgl"));
    folder_.Write("dir.xml", TwoTrees());
    EXPECT_EQ(Shell("./bglcomp.exe dir.xml > t.txt"), 1);
    EXPECT_NE(folder_.Read("t.txt").find("dir.bgl: error: cannot put it in place"), std::string::npos);
    EXPECT_EQ(folder_.EntryCount(), 7u);
}
