#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "document/CompilePlantingFile.h"
#include "document/MovePlantingFiles.h"
#include "tests/support/TemporaryFolder.h"

namespace {

namespace fs = std::filesystem;

void WriteScript(const fs::path& file, const std::string& body) {
    WriteBytes(file, "#!/bin/sh\n" + body);
    fs::permissions(file, fs::perms::owner_all);
}

// A compiler stand-in: records its argument, reports on standard output, writes the .bgl as asked.
const char* const writesBgl = "printf '%s' \"$1\" > args.txt\necho compiled \"$1\"\nprintf bgl > \"${1%.*}.bgl\"\n";

// Sets PATH for the lifetime of the object.
class PathOverride {
public:
    explicit PathOverride(const std::string& path) : old(std::getenv("PATH")) { setenv("PATH", path.c_str(), 1); }
    ~PathOverride() { setenv("PATH", old.c_str(), 1); }

private:
    std::string old;
};

}  // namespace

TEST(CompilePlantingFile, BglNameReplacesTheExtension) {
    const std::pair<std::string, std::string> cases[] = {
        {"trees.xml", "trees.bgl"}, {"Trees.XML", "Trees.bgl"}, {"Trees", "Trees.bgl"},
        {"my.xml.old.xml", "my.xml.old.bgl"}, {"with blank.xml", "with blank.bgl"},
    };
    for (const auto& [xml, bgl] : cases) {
        EXPECT_EQ(BglNameFor(xml), bgl) << xml;
    }
}

TEST(CompilePlantingFile, RunsTheCompilerWithoutAShell) {
    TemporaryFolder folder;
    WriteScript(folder.Path() / "BglComp.Exe", writesBgl);  // any letter case is found
    WriteBytes(folder.Path() / "t.txt", "report of an earlier run\n");
    const std::string name = "my trees; touch hacked.xml";

    const CompileResult result = CompilePlantingFile(folder.Path(), name);

    EXPECT_EQ(result.status, CompileResult::Status::Compiled);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_TRUE(result.bglProduced);
    EXPECT_EQ(result.bglName, "my trees; touch hacked.bgl");
    EXPECT_EQ(ReadBytes(folder.Path() / "args.txt"), name);
    EXPECT_EQ(ReadBytes(folder.Path() / "t.txt"), "compiled " + name + "\n");
    EXPECT_FALSE(fs::exists(folder.Path() / "hacked.xml"));
}

TEST(CompilePlantingFile, ReportsEveryKindOfFailure) {
    struct Case {
        const char* what;
        const char* script;  // nullptr: no compiler at all
        bool staleBgl;
        CompileResult::Status expected;
        int exitStatus;
    } cases[] = {
        {"no compiler", nullptr, false, CompileResult::Status::CompilerMissing, -1},
        {"non-zero exit", "echo broken\nexit 3\n", false, CompileResult::Status::CompilerFailed, 3},
        {"status 0 but no .bgl", "echo nothing\n", false, CompileResult::Status::NoBglProduced, 0},
        {"an earlier .bgl is not this run's", "echo nothing\n", true, CompileResult::Status::NoBglProduced, 0},
        {"replacing an earlier .bgl", writesBgl, true, CompileResult::Status::Compiled, 0},
    };
    for (const Case& c : cases) {
        TemporaryFolder folder;
        if (c.script != nullptr) {
            WriteScript(folder.Path() / "bglcomp.exe", c.script);
        }
        if (c.staleBgl) {
            WriteBytes(folder.Path() / "forest.bgl", "old");
        }
        const CompileResult result = CompilePlantingFile(folder.Path(), "forest.xml");
        EXPECT_EQ(result.status, c.expected) << c.what;
        EXPECT_EQ(result.exitStatus, c.exitStatus) << c.what;
        EXPECT_EQ(result.bglProduced, c.expected == CompileResult::Status::Compiled) << c.what;
    }
}

TEST(CompilePlantingFile, CompilerThatCannotStart) {
    TemporaryFolder folder;
    WriteBytes(folder.Path() / "bglcomp.exe", "not a program");  // no execute permission, no MZ
    const CompileResult result = CompilePlantingFile(folder.Path(), "forest.xml");
    EXPECT_EQ(result.status, CompileResult::Status::CannotStart);
    EXPECT_TRUE(result.error);
}

TEST(CompilePlantingFile, WindowsCompilerRunsThroughWineWhereThereIsOne) {
    TemporaryFolder folder;
    TemporaryFolder tools;
    WriteBytes(folder.Path() / "BGLCOMP.EXE", std::string("MZ\x90\0\x03", 5) + "windows program");
    EXPECT_TRUE(IsWindowsProgram(folder.Path() / "BGLCOMP.EXE"));
    {
        PathOverride path(tools.Path().string());
        const CompileResult result = CompilePlantingFile(folder.Path(), "forest.xml");
        EXPECT_EQ(result.status, CompileResult::Status::CannotRunWindowsProgram);
    }
    // A wine stand-in that checks it was handed the compiler and the file name.
    WriteScript(tools.Path() / "wine",
                "case \"$1\" in */BGLCOMP.EXE) ;; *) exit 9;; esac\n"
                "[ \"$2\" = forest.xml ] || exit 8\nprintf bgl > forest.bgl\n");
    {
        PathOverride path(tools.Path().string());
        const CompileResult result = CompilePlantingFile(folder.Path(), "forest.xml");
        EXPECT_EQ(result.status, CompileResult::Status::Compiled) << "exit " << result.exitStatus;
    }
}

namespace {

struct MoveScene {
    TemporaryFolder program;
    TemporaryFolder user;
    MoveScene() {
        WriteBytes(program.Path() / "forest.xml", "new xml");
        WriteBytes(program.Path() / "forest.bgl", "new bgl");
        WriteBytes(user.Path() / "forest.xml", "old xml");
        WriteBytes(user.Path() / "forest.bgl", "old bgl");
    }
};

}  // namespace

TEST(MovePlantingFiles, ProducedFilesReplaceTheOldOnes) {
    MoveScene scene;
    const MoveResult result =
        MovePlantingFiles(scene.program.Path(), scene.user.Path(), "forest.xml", true, "forest.bgl", true);
    EXPECT_EQ(result.xml.status, FileMove::Status::Moved);
    EXPECT_EQ(result.bgl.status, FileMove::Status::Moved);
    EXPECT_EQ(ReadBytes(scene.user.Path() / "forest.xml"), "new xml");
    EXPECT_EQ(ReadBytes(scene.user.Path() / "forest.bgl"), "new bgl");
    EXPECT_TRUE(scene.program.FileNames().empty());
}

TEST(MovePlantingFiles, AFileThisSaveDidNotProduceIsNeverTouched) {
    MoveScene scene;
    const MoveResult result =
        MovePlantingFiles(scene.program.Path(), scene.user.Path(), "forest.xml", true, "forest.bgl", false);
    EXPECT_EQ(result.bgl.status, FileMove::Status::NotProduced);
    EXPECT_EQ(ReadBytes(scene.user.Path() / "forest.bgl"), "old bgl");
    EXPECT_EQ(ReadBytes(scene.program.Path() / "forest.bgl"), "new bgl");
}

TEST(MovePlantingFiles, TheSameFolderWrittenDifferentlyMovesNothing) {
    MoveScene scene;
    fs::create_directory_symlink(scene.program.Path(), scene.user.Path() / "link");
    const fs::path spellings[] = {
        scene.program.Path() / ".",
        fs::path(scene.program.Path().string() + "//"),
        scene.user.Path() / "link",
        scene.user.Path() / ".." / scene.program.Path().filename(),
    };
    for (const fs::path& folder : spellings) {
        const MoveResult result =
            MovePlantingFiles(scene.program.Path(), folder, "forest.xml", true, "forest.bgl", true);
        EXPECT_EQ(result.xml.status, FileMove::Status::AlreadyThere) << folder;
        EXPECT_EQ(result.bgl.status, FileMove::Status::AlreadyThere) << folder;
        EXPECT_EQ(ReadBytes(scene.program.Path() / "forest.xml"), "new xml") << folder;
        EXPECT_EQ(ReadBytes(scene.program.Path() / "forest.bgl"), "new bgl") << folder;
    }
}

TEST(MovePlantingFiles, AFailedMoveIsReportedAndLosesNothing) {
    MoveScene scene;
    const fs::path missing = scene.user.Path() / "no such folder";
    const MoveResult result =
        MovePlantingFiles(scene.program.Path(), missing, "forest.xml", true, "forest.bgl", true);
    EXPECT_EQ(result.xml.status, FileMove::Status::Failed);
    EXPECT_EQ(result.bgl.status, FileMove::Status::Failed);
    EXPECT_TRUE(result.xml.error);
    EXPECT_EQ(ReadBytes(scene.program.Path() / "forest.xml"), "new xml");
}

TEST(MovePlantingFiles, MovesAcrossFileSystems) {
    struct stat tmp {}, shm {};
    if (stat("/dev/shm", &shm) != 0 || stat(fs::temp_directory_path().c_str(), &tmp) != 0 || tmp.st_dev == shm.st_dev) {
        GTEST_SKIP() << "no second file system here";
    }
    MoveScene scene;
    std::string pattern = "/dev/shm/grovewright-test-XXXXXX";
    const fs::path other = mkdtemp(pattern.data());
    WriteBytes(other / "forest.xml", "old xml");
    const MoveResult result = MovePlantingFiles(scene.program.Path(), other, "forest.xml", true, "forest.bgl", true);
    EXPECT_EQ(result.xml.status, FileMove::Status::Moved);
    EXPECT_EQ(ReadBytes(other / "forest.xml"), "new xml");
    EXPECT_EQ(ReadBytes(other / "forest.bgl"), "new bgl");
    EXPECT_FALSE(fs::exists(scene.program.Path() / "forest.xml"));
    std::size_t names = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(other)) {
        ++names;
    }
    EXPECT_EQ(names, 2u) << "temporary file left behind";
    fs::remove_all(other);
}
