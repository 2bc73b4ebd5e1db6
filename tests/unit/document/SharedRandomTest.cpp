#include "document/SharedRandom.h"

#include <gtest/gtest.h>

#include <cstdlib>

// The draws run in a freshly started copy of the test program, where nothing has seeded the generator;
// seeding it again must restart the same sequence.
TEST(SharedRandom, UnseededGeneratorDrawsTheClassicSequence) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            bool classic = SharedRandom::Next() == 41 && SharedRandom::Next() == 18467 && SharedRandom::Next() == 6334;
            SharedRandom::Seed(1);
            classic = classic && SharedRandom::Next() == 41;
            std::exit(classic ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
