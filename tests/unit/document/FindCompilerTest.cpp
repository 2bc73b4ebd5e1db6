// The one rule by which the save runs the scenery compiler and the start-up check finds it.
#include "document/FindCompiler.h"

#include <gtest/gtest.h>

#include "document/PlantingDocument.h"
#include "tests/support/TemporaryFolder.h"

TEST(FindCompiler, BglcompExeInAnyLetterCaseAndNothingElse) {
    struct Case {
        const char* name;
        bool folder;  // a folder of that name instead of a file
        bool found;
    } cases[] = {
        {"bglcomp.exe", false, true},      {"BGLComp.exe", false, true}, {"BGLCOMP.EXE", false, true},
        {"bglcomp.exe.txt", false, false}, {"bglcomp", false, false},    {"xbglcomp.exe", false, false},
        {"BglComp.Exe", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        folder.Write("t.txt", "another file");
        if (c.folder) {
            std::filesystem::create_directory(folder.Path(c.name));
        } else {
            folder.Write(c.name, "compiler");
        }
        EXPECT_EQ(FindCompiler(folder.Path()), c.found ? folder.Path(c.name) : std::filesystem::path());
        EXPECT_EQ(PlantingDocument::CompilerPresent(folder.Path()), c.found);
    }
    EXPECT_FALSE(PlantingDocument::CompilerPresent("/no/such/folder"));
}
