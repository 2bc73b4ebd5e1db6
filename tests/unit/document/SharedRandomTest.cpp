#include "document/SharedRandom.h"

#include <gtest/gtest.h>

#include <cstdlib>

// The draws run in a freshly started copy of the test program, where nothing has seeded the generator.
TEST(SharedRandom, UnseededGeneratorDrawsTheClassicSequence) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool classic =
                SharedRandom::Next() == 41 && SharedRandom::Next() == 18467 && SharedRandom::Next() == 6334;
            std::exit(classic ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(SharedRandom, SeedingRestartsTheSequence) {
    SharedRandom::Seed(1);
    EXPECT_EQ(SharedRandom::Next(), 41);
    SharedRandom::Seed(0xFFFFFFFFu);
    const int first = SharedRandom::Next();
    SharedRandom::Seed(0xFFFFFFFFu);
    EXPECT_EQ(SharedRandom::Next(), first);
    for (int i = 0; i < 100000; ++i) {
        const int v = SharedRandom::Next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, SharedRandom::maxValue);
    }
}
