#pragma once

#include <cstddef>
#include <string_view>

#include "document/journal/JournalFormat.h"

// Runs a fixed number of records ahead of a walk over a journal's bytes and tells where the first
// object of the record that far ahead lies. The frames are followed by their lengths alone and nothing
// is checked: the positions are only hints for making the nearness index's memory arrive before that
// record's turn comes, since a million presses of one tree each are a million records of one object,
// too short for a look-ahead within a record.
class JournalLookAhead {
public:
    // `bytes` is the whole journal, its header included; the walk starts at its first record.
    JournalLookAhead(std::string_view bytes, std::size_t distance);

    // The walk moved on by one record. Where the record `distance` ahead of it holds objects, true with
    // its first object's position.
    bool Next(double& latitude, double& longitude);

private:
    // The frame the look-ahead stands on; it moves past it.
    JournalFormat::Frame Skip();

    std::string_view rest;  // from the record `distance` ahead of the walk
};
