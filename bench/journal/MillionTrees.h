#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "document/PlantingList.h"
#include "document/journal/JournalFormat.h"
#include "document/journal/JournalReader.h"
#include "document/journal/JournalReplay.h"

// The million planted trees the recovery benchmarks bring back, their journals, and the measures they
// share: the core's read and replay of a journal file, and the floor any recovery stands on.
inline constexpr std::size_t millionTrees = 1000000;

inline const JournalObjects& MillionTrees() {
    static const JournalObjects trees = [] {
        JournalObjects objects;
        std::mt19937_64 random(11);
        std::uniform_real_distribution<double> latitude(46.0, 48.0), longitude(7.0, 9.0);
        for (std::size_t i = 0; i < millionTrees; ++i) {
            objects.Add(latitude(random), longitude(random), "67707891DBC1CC0D5F111EE9C4CBF11A");
        }
        return objects;
    }();
    return trees;
}

// A journal's bytes: a new file named, then the trees as a million presses of one tree each, or as one
// Append From of them all.
inline std::string MillionTreesJournal(bool onePress) {
    JournalHeader header;
    header.formatVersion = JournalFormat::version;
    std::string bytes = JournalFormat::EncodeHeader(header);
    JournalFormat::AppendRecord(bytes, JournalRecord::NewFile("forest.xml", "/scenery/"));
    const JournalObjects& trees = MillionTrees();
    if (!onePress) {
        JournalFormat::AppendRecord(bytes, JournalRecord::AppendFrom("forest.xml", trees));
        return bytes;
    }
    for (std::size_t i = 0; i < millionTrees; ++i) {
        JournalObjects tree;
        tree.Add(trees.LatitudeAt(i), trees.LongitudeAt(i), trees.GuidAt(i));
        JournalFormat::AppendRecord(bytes, JournalRecord::TreePlant(static_cast<std::uint32_t>(i), tree));
    }
    return bytes;
}

// The core's recovery: the journal read from its file, decoded and replayed into the planted list.
inline void ReplayJournalFile(benchmark::State& state, const std::filesystem::path& journal) {
    for (auto _ : state) {
        JournalContents contents = JournalReader::ReadFile(journal);
        JournalReplay replay;
        replay.ApplyAll(std::move(contents.records));
        if (replay.UnsavedObjects() < millionTrees - millionTrees / 1000) {
            state.SkipWithError("objects lost");
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * millionTrees));
}

// The floor: adding the same trees to a planted list, which any recovery must do.
inline void AddMillionTreesToList(benchmark::State& state) {
    const JournalObjects& trees = MillionTrees();
    for (auto _ : state) {
        PlantingList list;
        list.Reserve(millionTrees);
        for (std::size_t i = 0; i < millionTrees; ++i) {
            list.Add(trees.LatitudeAt(i), trees.LongitudeAt(i), trees.GuidAt(i));
        }
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * millionTrees));
}
