#include "document/PlantingList.h"

#include <algorithm>
#include <cstring>

void PlantingList::Add(double latitude, double longitude, std::string_view guid) {
    UpdateIndex();
    const auto position = static_cast<std::uint32_t>(latitudes.size());
    if (nearness.InsertUnlessNear(latitude, longitude, position, latitudes, longitudes)) {
        AppendColumns(latitude, longitude, guid);
    }
}

void PlantingList::AppendUnchecked(double latitude, double longitude, std::string_view guid) {
    AppendColumns(latitude, longitude, guid);
}

void PlantingList::AppendList(const PlantingList& entries) {
    if (&entries == this) {
        AppendList(PlantingList(entries));
        return;
    }
    const std::uint64_t offset = guidBytes.size();
    latitudes.insert(latitudes.end(), entries.latitudes.begin(), entries.latitudes.end());
    longitudes.insert(longitudes.end(), entries.longitudes.begin(), entries.longitudes.end());
    guidBytes += entries.guidBytes;
    guidEnds.reserve(guidEnds.size() + entries.guidEnds.size());
    for (const std::uint64_t end : entries.guidEnds) {
        guidEnds.push_back(offset + end);
    }
}

void PlantingList::AppendColumns(double latitude, double longitude, std::string_view guid) {
    latitudes.push_back(latitude);
    longitudes.push_back(longitude);
    guidBytes += guid;
    guidEnds.push_back(guidBytes.size());
}

PlantingList PlantingList::Tail(std::size_t first) const {
    PlantingList tail;
    first = std::min(first, Count());
    const std::uint64_t offset = first == 0 ? 0 : guidEnds[first - 1];
    tail.latitudes.assign(latitudes.begin() + static_cast<std::ptrdiff_t>(first), latitudes.end());
    tail.longitudes.assign(longitudes.begin() + static_cast<std::ptrdiff_t>(first), longitudes.end());
    tail.guidBytes.assign(guidBytes, offset);
    tail.guidEnds.reserve(Count() - first);
    for (std::size_t i = first; i < Count(); ++i) {
        tail.guidEnds.push_back(guidEnds[i] - offset);
    }
    return tail;
}

void PlantingList::RemoveLast(std::size_t count) {
    const std::size_t kept = Count() - std::min(count, Count());
    const bool columnsAgree = longitudes.size() == Count() && guidEnds.size() == Count();
    if (!columnsAgree || nearness.Recorded() > Count()) {
        ForgetIndex();  // an append cut short by a failed allocation: rebuilt by the next Add
    } else if (nearness.Recorded() > kept) {
        nearness.RemoveLast(nearness.Recorded() - kept, latitudes, longitudes);
    }
    TruncateColumns(kept);
}

void PlantingList::TruncateColumns(std::size_t count) {
    latitudes.resize(count);
    longitudes.resize(count);
    guidBytes.resize(count == 0 ? 0 : guidEnds[count - 1]);
    guidEnds.resize(count);
}

PlantingList PlantingList::Extract(const std::vector<std::size_t>& places) {
    PlantingList taken;
    std::size_t kept = 0;
    std::size_t next = 0;         // the next place to take
    std::uint64_t textStart = 0;  // where entry i's GUID text starts
    std::uint64_t keptEnd = 0;    // where the kept texts end
    for (std::size_t i = 0; i < Count(); ++i) {
        while (next < places.size() && places[next] < i) {
            ++next;  // out of order: passed over
        }
        const std::uint64_t textEnd = guidEnds[i];
        const std::size_t length = textEnd - textStart;
        if (next < places.size() && places[next] == i) {
            taken.AppendColumns(latitudes[i], longitudes[i],
                                std::string_view(guidBytes).substr(textStart, length));
            ++next;
        } else {
            // Kept texts move towards the front only, so a text is moved before anything overwrites it.
            std::memmove(guidBytes.data() + keptEnd, guidBytes.data() + textStart, length);
            keptEnd += length;
            latitudes[kept] = latitudes[i];
            longitudes[kept] = longitudes[i];
            guidEnds[kept] = keptEnd;
            ++kept;
        }
        textStart = textEnd;
    }
    if (taken.Count() > 0) {
        TruncateColumns(kept);
        ForgetIndex();
    }
    return taken;
}

void PlantingList::InsertAt(const PlantingList& entries, const std::vector<std::size_t>& places) {
    if (entries.Count() == 0) {
        return;
    }
    PlantingList merged;
    merged.latitudes.reserve(Count() + entries.Count());
    merged.longitudes.reserve(Count() + entries.Count());
    merged.guidEnds.reserve(Count() + entries.Count());
    merged.guidBytes.reserve(guidBytes.size() + entries.guidBytes.size());
    std::size_t own = 0;
    std::size_t put = 0;
    const auto takeFrom = [&merged](const PlantingList& from, std::size_t& i) {
        merged.AppendColumns(from.latitudes[i], from.longitudes[i], from.GuidViewAt(i));
        ++i;
    };
    while (own < Count() || put < entries.Count()) {
        const bool placeHere = put < entries.Count() && put < places.size() && places[put] == merged.Count();
        if (placeHere || own == Count()) {
            takeFrom(entries, put);
        } else {
            takeFrom(*this, own);
        }
    }
    latitudes = std::move(merged.latitudes);
    longitudes = std::move(merged.longitudes);
    guidBytes = std::move(merged.guidBytes);
    guidEnds = std::move(merged.guidEnds);
    ForgetIndex();
}

void PlantingList::UpdateIndex() {
    if (nearness.Recorded() == Count()) {
        return;
    }
    // Many entries at once (after Redo, Edit or Undo of an Edit): room for all, and the index's memory
    // requested a few entries ahead, as when a file is read.
    constexpr std::size_t lookAhead = 8;
    nearness.Reserve(Count());
    for (std::size_t i = nearness.Recorded(); i < Count(); ++i) {
        if (i + lookAhead < Count()) {
            nearness.Prefetch(latitudes[i + lookAhead], longitudes[i + lookAhead]);
        }
        nearness.Insert(latitudes[i], longitudes[i], static_cast<std::uint32_t>(i));
    }
}

void PlantingList::ForgetIndex() {
    nearness.Clear();
}

void PlantingList::Clear() {
    latitudes.clear();
    longitudes.clear();
    guidBytes.clear();
    guidEnds.clear();
    nearness.Clear();
}

void PlantingList::Reserve(std::size_t count) {
    latitudes.reserve(count);
    longitudes.reserve(count);
    guidEnds.reserve(count);
    if (count > Count()) {
        constexpr std::size_t guidLength = 32;  // a library object's GUID
        guidBytes.reserve(guidBytes.size() + (count - Count()) * guidLength);
    }
    nearness.Reserve(count);
}
