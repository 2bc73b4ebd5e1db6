#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>

#include "document/journal/JournalRecord.h"

// One journal record decoded in place: its texts, objects and positions view the payload's bytes,
// which must outlive it. The decoder has checked every length and count against the payload, so
// walking the views needs no checks. How recovery reads a million records without a copy or an
// allocation for any of them.
struct JournalRecordView {
    // One object as the record holds it.
    struct Object {
        double latitude = 0.0;
        double longitude = 0.0;
        std::string_view guid;
    };

    // The objects, in order: each two little-endian doubles, a u32 length and that many GUID bytes.
    class Objects {
    public:
        class Iterator {
        public:
            using iterator_category = std::input_iterator_tag;
            using value_type = Object;
            using difference_type = std::ptrdiff_t;
            using pointer = const Object*;
            using reference = const Object&;

            Iterator() = default;
            explicit Iterator(const char* at_) : at(at_) {}

            Object operator*() const {
                Object object;
                object.latitude = Double(at);
                object.longitude = Double(at + 8);
                object.guid = std::string_view(at + 20, U32(at + 16));
                return object;
            }
            Iterator& operator++() {
                at += 20 + U32(at + 16);
                return *this;
            }
            bool operator==(const Iterator& other) const { return at == other.at; }

        private:
            const char* at = nullptr;
        };

        Objects() = default;
        Objects(std::string_view bytes_, std::size_t count_) : bytes(bytes_), count(count_) {}

        std::size_t Count() const { return count; }
        Iterator begin() const { return Iterator(bytes.data()); }
        Iterator end() const { return Iterator(bytes.data() + bytes.size()); }

    private:
        std::string_view bytes;
        std::size_t count = 0;
    };

    // Ascending list positions, each a little-endian u32.
    class Positions {
    public:
        Positions() = default;
        explicit Positions(std::string_view bytes_) : bytes(bytes_) {}

        std::size_t Count() const { return bytes.size() / 4; }
        std::uint32_t At(std::size_t index) const { return U32(bytes.data() + 4 * index); }

    private:
        std::string_view bytes;
    };

    JournalRecordKind kind = JournalRecordKind::Close;
    std::string_view fileName;
    std::string_view folder;
    std::uint32_t seed = 0;
    Objects objects;
    Positions positions;

    static std::uint32_t U32(const char* at) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(at);
        return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
               static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    }
    static double Double(const char* at) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(at);
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) {
            bits = bits << 8 | bytes[i];
        }
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
};
