// Saving the document through the stand-in compiler from a program folder into a user's folder on
// another file system, with a failure at each step: the outcome names the step, no user file is lost,
// and a save that could not write keeps every unsaved object.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "document/PlantingDocument.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/unit/document/TreeGuids.h"

namespace {

namespace fs = std::filesystem;

std::string Folder(const fs::path& path) {
    return path.string() + "/";
}

enum class Compiler { Real, None, NotAProgram, ExitsOne, WritesNothing, WindowsProgram };
enum class Destination { User, ThroughAFile, ProgramFolderSpelledOtherwise };

void InstallCompiler(const fs::path& folder, Compiler compiler) {
    const auto script = [&](const std::string& body) {
        WriteBytes(folder / "BglComp.Exe", "#!/bin/sh\n" + body);  // found in any letter case
        fs::permissions(folder / "BglComp.Exe", fs::perms::owner_all);
    };
    switch (compiler) {
        case Compiler::Real:
            fs::copy_file(GROVEWRIGHT_BGLCOMP, folder / "bglcomp.exe");
            break;
        case Compiler::None:
            break;
        case Compiler::NotAProgram:
            WriteBytes(folder / "bglcomp.exe", "no execute permission");
            break;
        case Compiler::ExitsOne:
            script("printf broken > \"${1%.*}.bgl\"\nexit 1\n");
            break;
        case Compiler::WritesNothing:
            script("echo nothing to do\n");
            break;
        case Compiler::WindowsProgram:
            WriteBytes(folder / "BGLCOMP.EXE", "MZ, a Windows program");
            break;
    }
}

// A program folder with a compiler and a .bgl left from an earlier run, a user's folder under
// /dev/shm holding an earlier save, and a document with "forest.xml" open in the user's folder, two
// objects (unless none are asked for) and a copse.
struct SaveScene {
    TemporaryFolder program;
    TemporaryFolder user{"/dev/shm"};
    PlantingDocument document;

    SaveScene(Compiler compiler, const std::string& programFolder, bool withObjects = true)
        : document(programFolder.empty() ? Folder(program.Path()) : programFolder) {
        InstallCompiler(program.Path(), compiler);
        program.Write("forest.bgl", "stale bgl");
        user.Write("forest.xml", "old xml");
        user.Write("forest.bgl", "old bgl");
        document.NameNewFile("forest.xml", Folder(user.Path()));
        if (withObjects) {
            document.AddPlantedObject(47.5, 8.25, guidA);
            document.AddPlantedObject(-33.75, -70.5, guidB);
        }
        document.AddCopseObject(0.0, 0.0, guidA);
    }
};

}  // namespace

TEST(PlantingDocumentSave, EachStepsFailureIsNamedAndLosesNothing) {
    struct Case {
        const char* what;
        Compiler compiler;
        bool programThroughAFile;
        Destination destination;
        bool emptyList;
        WriteStatus xml;
        CompileStatus compile;
        MoveStatus xmlMove;
        MoveStatus bglMove;
    } cases[] = {
        {"compiled and moved", Compiler::Real, false, Destination::User, false, WriteStatus::Written,
         CompileStatus::Compiled, MoveStatus::Moved, MoveStatus::Moved},
        {"Windows compiler through wine", Compiler::WindowsProgram, false, Destination::User, false,
         WriteStatus::Written, CompileStatus::Compiled, MoveStatus::Moved, MoveStatus::Moved},
        {"compiler exits 1", Compiler::ExitsOne, false, Destination::User, false, WriteStatus::Written,
         CompileStatus::CompilerFailed, MoveStatus::Moved, MoveStatus::NotProduced},
        {"compiler writes nothing", Compiler::WritesNothing, false, Destination::User, false,
         WriteStatus::Written, CompileStatus::NoBglProduced, MoveStatus::Moved, MoveStatus::NotProduced},
        {"no compiler", Compiler::None, false, Destination::User, false, WriteStatus::Written,
         CompileStatus::CompilerMissing, MoveStatus::Moved, MoveStatus::NotProduced},
        {"compiler cannot start", Compiler::NotAProgram, false, Destination::User, false,
         WriteStatus::Written, CompileStatus::CannotStart, MoveStatus::Moved, MoveStatus::NotProduced},
        {"destination through a file", Compiler::Real, false, Destination::ThroughAFile, false,
         WriteStatus::Written, CompileStatus::Compiled, MoveStatus::Failed, MoveStatus::Failed},
        {"destination is the program folder", Compiler::Real, false,
         Destination::ProgramFolderSpelledOtherwise, false, WriteStatus::Written, CompileStatus::Compiled,
         MoveStatus::AlreadyThere, MoveStatus::AlreadyThere},
        {"program folder through a file", Compiler::Real, true, Destination::User, false,
         WriteStatus::CannotCreate, CompileStatus::NotRun, MoveStatus::NotProduced, MoveStatus::NotProduced},
        {"nothing to write", Compiler::Real, false, Destination::User, true, WriteStatus::NothingToWrite,
         CompileStatus::NotRun, MoveStatus::NotProduced, MoveStatus::NotProduced},
    };
    const std::string path = std::getenv("PATH");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryFolder plain;
        plain.Write("file", "a regular file");
        // The only wine on the path: one that runs the compiler it is handed on the file named.
        plain.Write(
            "wine",
            "#!/bin/sh\ncase \"$1\" in */BGLCOMP.EXE) printf bgl > \"${2%.*}.bgl\";; *) exit 9;; esac\n");
        fs::permissions(plain.Path("wine"), fs::perms::owner_all);
        setenv("PATH", (plain.Path().string() + ":" + path).c_str(), 1);
        const std::string programFolder = c.programThroughAFile ? Folder(plain.Path("file") / "program") : "";
        SaveScene scene(c.compiler, programFolder, !c.emptyList);
        if (c.destination == Destination::ThroughAFile) {
            scene.document.NameNewFile("forest.xml", Folder(plain.Path("file") / "trees"));
        } else if (c.destination == Destination::ProgramFolderSpelledOtherwise) {
            scene.document.NameNewFile("forest.xml", Folder(scene.program.Path() / "."));
        }

        const SaveOutcome outcome = scene.document.Save();
        setenv("PATH", path.c_str(), 1);

        EXPECT_EQ(outcome.xml.status, c.xml);
        EXPECT_EQ(outcome.compile.status, c.compile);
        EXPECT_EQ(outcome.xmlMove.status, c.xmlMove);
        EXPECT_EQ(outcome.bglMove.status, c.bglMove);
        EXPECT_EQ(bool(outcome.xml.error), c.xml == WriteStatus::CannotCreate);
        EXPECT_EQ(bool(outcome.xmlMove.error), c.xmlMove == MoveStatus::Failed);
        if (c.compile == CompileStatus::CompilerFailed) {
            EXPECT_EQ(outcome.compile.code, 1);
        }
        const bool written = c.xml == WriteStatus::Written;
        if (written || c.emptyList) {
            EXPECT_EQ(scene.document.PlantedCount() + scene.document.CopseCount(), 0u);
            EXPECT_FALSE(scene.document.FileOpen());
        } else {
            EXPECT_TRUE(scene.document.PlantedCount() == 2 && scene.document.CopseCount() == 1 &&
                        scene.document.FileOpen() && scene.document.FileName() == "forest.xml");
        }
        // The user's files are replaced only by this save's; what did not move stays in the program folder.
        EXPECT_EQ(scene.user.Read("forest.xml") == "old xml", c.xmlMove != MoveStatus::Moved);
        EXPECT_EQ(scene.user.Read("forest.bgl") == "old bgl", c.bglMove != MoveStatus::Moved);
        if (written && c.xmlMove != MoveStatus::Moved) {
            EXPECT_EQ(scene.program.Read("forest.xml").rfind("<!--", 0), 0u);
        }
        if (c.compile == CompileStatus::Compiled && c.bglMove != MoveStatus::Moved) {
            EXPECT_NE(scene.program.Read("forest.bgl"), "stale bgl");
        }
    }
}

// A save under a name with blanks and shell characters: the compiler gets it as one argument, the
// report holds only this run, the files arrive whole on the other file system and read back.
TEST(PlantingDocumentSave, SaveAsCompilesAndMovesAcrossFileSystems) {
    SaveScene scene(Compiler::Real, "");
    scene.program.Write("t.txt", "report of an earlier run\n");
    const std::string name = "my forest; touch hacked.xml";
    const std::string destination = Folder(scene.user.Path());

    const SaveOutcome outcome = scene.document.SaveAs(name, destination);

    ASSERT_EQ(outcome.compile.status, CompileStatus::Compiled) << scene.program.Read("t.txt");
    EXPECT_EQ(outcome.xml.path, (scene.program.Path() / name).string());
    EXPECT_EQ(outcome.compile.path, scene.program.Path("t.txt").string());
    EXPECT_EQ(outcome.xmlMove.path, name);
    EXPECT_EQ(outcome.bglMove.path, "my forest; touch hacked.bgl");
    EXPECT_EQ(outcome.bglMove.destination, destination);
    EXPECT_EQ(outcome.bglMove.status, MoveStatus::Moved);
    EXPECT_EQ(scene.document.FileName(), name);
    EXPECT_EQ(scene.program.Read("t.txt").find("earlier run"), std::string::npos);
    EXPECT_FALSE(scene.program.Exists("hacked.xml"));
    EXPECT_EQ(scene.user.FileNames(),
              (std::vector<std::string>{"forest.bgl", "forest.xml", "my forest; touch hacked.bgl",
                                        "my forest; touch hacked.xml"}));

    PlantingDocument reread(Folder(scene.program.Path()));
    const ReadOutcome read = reread.AppendPlantingFile(scene.user.Path(name));
    ASSERT_EQ(read.objectsAdded, 2u);
    EXPECT_DOUBLE_EQ(reread.PlantedObjects().LatitudeAt(1), -33.75);
    EXPECT_DOUBLE_EQ(reread.PlantedObjects().LongitudeAt(1), -70.5);
    EXPECT_EQ(reread.PlantedObjects().GuidAt(1), guidB);
}

// A device that fills up part-way (a file-size limit in a child process): the save reports the
// failed write, and the document, its name and the files on disk are as they were.
TEST(PlantingDocumentSave, AWriteThatFailsPartWayKeepsEverything) {
    SaveScene scene(Compiler::Real, "");
    for (int i = 0; i < 100; ++i) {
        scene.document.AddPlantedObject(10.0 + i * 0.001, 20.0, guidA);
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8192, 8192};
        setrlimit(RLIMIT_FSIZE, &limit);
        const SaveOutcome outcome = scene.document.SaveAs("other.xml", Folder(scene.user.Path()));
        const bool kept = outcome.xml.status == WriteStatus::WriteFailed && outcome.xml.error &&
                          outcome.compile.status == CompileStatus::NotRun &&
                          scene.document.PlantedCount() == 102 && scene.document.CopseCount() == 1 &&
                          scene.document.FileOpen() && scene.document.FileName() == "forest.xml";
        _exit(kept ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(scene.program.FileNames(), (std::vector<std::string>{"bglcomp.exe", "forest.bgl"}));
    EXPECT_EQ(scene.user.Read("forest.xml"), "old xml");
}
