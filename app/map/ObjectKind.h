#pragma once

#include <cstdint>
#include <string_view>

// How the map tells planted objects apart: the model's family (its dot's colour, from the catalogue's
// name) and the object library (its dot's shape, from the GUID's prefix).
enum class ModelFamily : std::uint8_t { Deciduous, Evergreen, Conifer, Shrub, Palm, Unknown };
inline constexpr int familyCount = 6;

struct ObjectKind {
    ModelFamily family = ModelFamily::Unknown;
    bool secondLibrary = false;

    std::uint8_t Packed() const {
        return static_cast<std::uint8_t>(static_cast<int>(family) * 2 + (secondLibrary ? 1 : 0));
    }
    static ObjectKind Unpacked(std::uint8_t packed) {
        return {static_cast<ModelFamily>(packed / 2), (packed & 1) != 0};
    }
};

// The kind of the object with this GUID; Unknown, default library for one the catalogue lacks.
ObjectKind KindOfGuid(std::string_view guid);
