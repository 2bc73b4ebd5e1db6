#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TemporaryFolder.h"
#include "tools/bglcomp/SceneryCompiler.h"

// Compiles varied scenery XML and reads the .bgl back with a decoder written here from the
// file format alone, sharing no code with the compiler.
namespace {

struct Placement {
    double lat, lon, heading = 0, pitch = 0, bank = 0, altMetres = 0;
    bool agl = true;
    int complexity = 2;
    float scale = 1.0f;
    bool defaults = false;  // the optional attributes left out, so that the defaults apply
};

struct DecodedObject {
    double lat, lon, heading, pitch, bank;
    std::int32_t altMm;
    std::uint16_t flags, complexity;
    float scale;
    unsigned index;  // the placement's, from the GUID's last group
    std::uint32_t qmid;
};

std::uint32_t U32(const std::string& b, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(b.at(at + i))) << (8 * i);
    }
    return value;
}
std::uint16_t U16(const std::string& b, std::size_t at) { return static_cast<std::uint16_t>(U32(b + "\0\0", at)); }

// The level-11 QMID of a packed position, bit by bit.
std::uint32_t Level11Qmid(std::uint32_t lonRaw, std::uint32_t latRaw) {
    const std::uint32_t u = lonRaw >> 19;
    const std::uint32_t v = std::min(latRaw, 0x1FFFFFFFu) >> 19;
    std::uint32_t qmid = 2u << 22;
    for (int i = 0; i < 11; ++i) {
        qmid |= ((u >> i) & 1u) << (2 * i);
        qmid |= ((v >> i) & 1u) << (2 * i + 1);
    }
    return qmid;
}

double Angle(const std::string& b, std::size_t at) { return U16(b, at) * 360.0 / 65536.0; }

DecodedObject DecodeRecord(const std::string& b, std::size_t at) {
    EXPECT_EQ(U16(b, at), 0x0002);
    EXPECT_EQ(U16(b, at + 2), 48);
    EXPECT_EQ(U16(b, at + 26), 0);
    const std::uint32_t lonRaw = U32(b, at + 4);
    const std::uint32_t latRaw = U32(b, at + 8);
    // The GUID's groups are stored as little-endian words: the first three are this test's constant.
    EXPECT_EQ(U32(b, at + 28), 0x4808A0B0u);
    EXPECT_EQ(U32(b, at + 32), 0x4D43FC56u);
    EXPECT_EQ(U32(b, at + 36), 0x20867D91u);
    float scale = 0;
    const std::uint32_t scaleBits = U32(b, at + 44);
    std::memcpy(&scale, &scaleBits, 4);
    return {90.0 - latRaw * 180.0 / 0x20000000, lonRaw * 360.0 / 0x30000000 - 180.0, Angle(b, at + 22),
            Angle(b, at + 18), Angle(b, at + 20), static_cast<std::int32_t>(U32(b, at + 12)), U16(b, at + 16),
            U16(b, at + 24), scale, U32(b, at + 40), Level11Qmid(lonRaw, latRaw)};
}

// Checks the file's structure and gives its objects in file order.
std::vector<DecodedObject> Decode(const std::string& b, std::uint64_t fileTime) {
    EXPECT_EQ(U32(b, 0), 0x19920201u);
    EXPECT_EQ(U32(b, 4), 0x38u);
    EXPECT_EQ(U32(b, 8) | static_cast<std::uint64_t>(U32(b, 12)) << 32, fileTime);
    EXPECT_EQ(U32(b, 0x10), 0x08051803u);
    EXPECT_EQ(U32(b, 0x14), 1u);
    EXPECT_EQ(U32(b, 0x38), 0x25u);
    EXPECT_EQ(U32(b, 0x3C), 1u);
    const std::uint32_t count = U32(b, 0x40);
    const std::uint32_t table = U32(b, 0x44);
    EXPECT_EQ(U32(b, 0x48), count * 16);
    std::vector<DecodedObject> objects;
    std::size_t end = table + count * 16;
    std::uint32_t previousQmid = 0;
    for (std::size_t entry = table; entry < table + count * 16; entry += 16) {
        const std::uint32_t qmid = U32(b, entry);
        EXPECT_GT(qmid, previousQmid) << "subsections out of QMID order";
        previousQmid = qmid;
        const std::uint32_t records = U32(b, entry + 4);
        EXPECT_EQ(U32(b, entry + 8), end) << "records not laid out subsection by subsection";
        EXPECT_EQ(U32(b, entry + 12), records * 48);
        // Exactly one of the header's cells, of level 9 or coarser, holds the subsection's cell.
        int covering = 0;
        for (std::size_t slot = 0x18; slot < 0x38; slot += 4) {
            const std::uint32_t header = U32(b, slot);
            const int level = header == 0 ? 99 : (31 - __builtin_clz(header)) / 2;
            covering += level <= 9 && (qmid >> (2 * (11 - level))) == header;
        }
        EXPECT_EQ(covering, 1) << std::hex << qmid;
        for (std::uint32_t r = 0; r < records; ++r, end += 48) {
            objects.push_back(DecodeRecord(b, end));
            EXPECT_EQ(objects.back().qmid, qmid);
        }
    }
    EXPECT_EQ(end, b.size());
    return objects;
}

double AngleApart(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

const char* const complexities[] = {"VERY_SPARSE", "SPARSE", "NORMAL", "DENSE", "VERY_DENSE", "EXTREMELY_DENSE"};

// A SceneryObject in free form: attributes in another order, some in hemisphere or feet notation.
std::string Block(const Placement& p, unsigned index) {
    const int form = static_cast<int>(index % 3);
    std::ostringstream out;
    out.precision(17);
    const double absLat = std::fabs(p.lat);
    const double absLon = std::fabs(p.lon);
    out << "<SceneryObject ";
    if (form == 1) {
        out << "lat=\"" << (p.lat < 0 ? 'S' : 'N') << std::floor(absLat) << ' ' << (absLat - std::floor(absLat)) * 60
            << "\" lon=\"" << (p.lon < 0 ? 'W' : 'E') << std::floor(absLon) << ' ' << (absLon - std::floor(absLon)) * 60
            << "\" alt=\"" << p.altMetres / 0.3048 << "F\"";
    } else {
        out << "lon=\"  " << p.lon << " \" lat=\"" << p.lat << "\" alt=\"" << p.altMetres << (form == 2 ? "M" : "") << '"';
    }
    if (!p.defaults) {
        out << " heading=\"" << p.heading << "\" imageComplexity=\"" << complexities[p.complexity]
            << "\" altitudeIsAgl=\"" << (p.agl ? (form == 2 ? "YES" : "TRUE") : (form == 2 ? "NO" : "FALSE"))
            << "\" pitch=\"" << p.pitch << "\" bank=\"" << p.bank << '"';
    }
    out << ">\n  <!-- a comment --><LibraryObject ";
    if (!p.defaults) {
        out << "scale=\"" << p.scale << "\" ";
    }
    char guid[40];
    std::snprintf(guid, sizeof guid, index % 2 == 0 ? "%s%08X" : "%s%08x", "4808A0B04D43fc5620867D91", index);
    out << "name=\"" << guid << "\"/>\n</SceneryObject>\n";
    return out.str();
}

}  // namespace

TEST(BglDecoding, EveryObjectComesBackFromAnIndependentDecoder) {
    std::mt19937 random(20261205);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Placement> placements;
    const std::pair<double, double> edges[] = {{90, 0}, {-90, 179.5}, {0, -180}, {0, 180}, {-0.5, 0}, {51.5, -0.5}};
    for (int i = 0; i < 600; ++i) {
        Placement p{};
        if (i < 6) {
            std::tie(p.lat, p.lon) = edges[i];
        } else if (i % 3 == 0) {  // a dense forest: many objects per cell, some side by side
            p.lat = 47.5 + unit(random) * (i % 2 == 0 ? 0.3 : 0.001);
            p.lon = -122.25 + unit(random) * (i % 2 == 0 ? 0.4 : 0.001);
        } else {
            p.lat = unit(random) * 180.0 - 90.0;
            p.lon = unit(random) * 360.0 - 180.0;
        }
        p.altMetres = std::round(unit(random) * 2000.0 - 100.0);
        p.defaults = i % 7 == 0;
        if (!p.defaults) {
            p.heading = unit(random) * 1440.0 - 720.0;
            p.pitch = unit(random) * 20.0 - 10.0;
            p.bank = unit(random) * 20.0 - 10.0;
            p.agl = i % 2 == 0;
            p.complexity = i % 6;
            p.scale = static_cast<float>(0.25 + unit(random) * 3.0);
        }
        placements.push_back(p);
    }
    std::string xml = "<?xml version=\"1.0\"?>\n<FSData version=\"9.0\">\n";
    for (unsigned i = 0; i < placements.size(); ++i) {
        xml += Block(placements[i], i);
    }
    TemporaryFolder folder;
    folder.Write("forest.xml", xml + "</FSData>\n");
    std::ostringstream report;
    ASSERT_EQ(Bglcomp::RunBglcomp({folder.Path("forest.xml").string()}, "1700000000", report), 0) << report.str();
    const std::uint64_t fileTime = (1700000000ull + 11644473600ull) * 10000000ull;
    const std::vector<DecodedObject> decoded = Decode(folder.Read("forest.bgl"), fileTime);
    ASSERT_EQ(decoded.size(), placements.size());

    std::vector<bool> seen(placements.size());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        const DecodedObject& o = decoded[i];
        ASSERT_LT(o.index, placements.size());
        EXPECT_FALSE(seen[o.index]) << o.index;
        seen[o.index] = true;
        // Objects that share a cell keep the order in which the file lists them.
        EXPECT_TRUE(i == 0 || decoded[i - 1].qmid != o.qmid || decoded[i - 1].index < o.index) << o.index;
        const Placement& p = placements[o.index];
        SCOPED_TRACE(o.index);
        EXPECT_NEAR(o.lat, p.lat, 1e-6);
        EXPECT_LE(AngleApart(o.lon, p.lon), 1e-6) << o.lon << " vs " << p.lon;
        EXPECT_LE(AngleApart(o.heading, p.heading), 0.01);
        EXPECT_LE(AngleApart(o.pitch, p.pitch), 0.01);
        EXPECT_LE(AngleApart(o.bank, p.bank), 0.01);
        EXPECT_NEAR(o.altMm, p.altMetres * 1000.0, 1.0);
        EXPECT_EQ(o.flags, p.agl ? 1 : 0);
        EXPECT_EQ(o.complexity, p.complexity);
        EXPECT_FLOAT_EQ(o.scale, p.scale);
    }
}
