#include "document/SharedRandom.h"

#include <gtest/gtest.h>

// Runs in a process of its own (ctest starts one per test), so the generator starts unseeded.
TEST(SharedRandom, UnseededGeneratorDrawsTheClassicSequence) {
    EXPECT_EQ(SharedRandom::Next(), 41);
    EXPECT_EQ(SharedRandom::Next(), 18467);
    EXPECT_EQ(SharedRandom::Next(), 6334);
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
