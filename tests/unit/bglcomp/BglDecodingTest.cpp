#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <cstring>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TemporaryFolder.h"
#include "tools/bglcomp/SceneryCompiler.h"

// Compiles varied scenery XML and reads the .bgl back with a decoder written here from the
// file format alone, sharing no code with the compiler.
namespace {

struct Placement {
    double lat, lon, heading, pitch, bank;
    double altMetres;
    bool agl;
    int complexity;
    float scale;
    std::string guid;
};

struct DecodedObject {
    double lat, lon, heading, pitch, bank;
    std::int32_t altMm;
    std::uint16_t flags, complexity;
    float scale;
    std::string guid;
    std::uint32_t lonRaw, latRaw;
};

std::uint32_t U32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b.at(at))) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b.at(at + 1))) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b.at(at + 2))) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b.at(at + 3))) << 24;
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

DecodedObject DecodeRecord(const std::string& b, std::size_t at) {
    DecodedObject o{};
    EXPECT_EQ(U16(b, at), 0x0002);
    EXPECT_EQ(U16(b, at + 2), 48);
    o.lonRaw = U32(b, at + 4);
    o.latRaw = U32(b, at + 8);
    o.lon = o.lonRaw * 360.0 / 0x30000000 - 180.0;
    o.lat = 90.0 - o.latRaw * 180.0 / 0x20000000;
    o.altMm = static_cast<std::int32_t>(U32(b, at + 12));
    o.flags = U16(b, at + 16);
    o.pitch = U16(b, at + 18) * 360.0 / 65536.0;
    o.bank = U16(b, at + 20) * 360.0 / 65536.0;
    o.heading = U16(b, at + 22) * 360.0 / 65536.0;
    o.complexity = U16(b, at + 24);
    EXPECT_EQ(U16(b, at + 26), 0);
    char text[33];
    std::snprintf(text, sizeof text, "%08X%08X%08X%08X", U32(b, at + 28), U32(b, at + 32), U32(b, at + 36),
                  U32(b, at + 40));
    o.guid = text;
    const std::uint32_t scaleBits = U32(b, at + 44);
    std::memcpy(&o.scale, &scaleBits, 4);
    return o;
}

// Checks the file's structure and gives its objects in file order.
std::vector<DecodedObject> Decode(const std::string& b, std::uint64_t fileTime) {
    std::vector<DecodedObject> objects;
    EXPECT_EQ(U32(b, 0), 0x19920201u);
    EXPECT_EQ(U32(b, 4), 0x38u);
    EXPECT_EQ(U32(b, 8) | static_cast<std::uint64_t>(U32(b, 12)) << 32, fileTime);
    EXPECT_EQ(U32(b, 0x10), 0x08051803u);
    EXPECT_EQ(U32(b, 0x14), 1u);
    std::vector<std::uint32_t> headerCells;
    for (std::size_t i = 0; i < 8; ++i) {
        if (U32(b, 0x18 + 4 * i) != 0) {
            headerCells.push_back(U32(b, 0x18 + 4 * i));
        }
    }
    EXPECT_EQ(U32(b, 0x38), 0x25u);
    EXPECT_EQ(U32(b, 0x3C), 1u);
    const std::uint32_t count = U32(b, 0x40);
    const std::uint32_t table = U32(b, 0x44);
    EXPECT_EQ(U32(b, 0x48), count * 16);
    std::size_t end = table + count * 16;
    std::uint32_t previousQmid = 0;
    for (std::uint32_t s = 0; s < count; ++s) {
        const std::size_t entry = table + 16 * s;
        const std::uint32_t qmid = U32(b, entry);
        EXPECT_GT(qmid, previousQmid) << "subsections out of QMID order";
        previousQmid = qmid;
        const std::uint32_t records = U32(b, entry + 4);
        const std::uint32_t first = U32(b, entry + 8);
        EXPECT_EQ(U32(b, entry + 12), records * 48);
        EXPECT_EQ(first, end) << "records not laid out subsection by subsection";
        end = first + records * 48;
        bool covered = false;
        for (const std::uint32_t header : headerCells) {
            const int level = (31 - __builtin_clz(header)) / 2;
            EXPECT_LE(level, 9);
            covered = covered || (qmid >> (2 * (11 - level))) == header;
        }
        EXPECT_TRUE(covered) << std::hex << qmid << " is in no header cell";
        for (std::uint32_t r = 0; r < records; ++r) {
            objects.push_back(DecodeRecord(b, first + 48 * r));
            EXPECT_EQ(Level11Qmid(objects.back().lonRaw, objects.back().latRaw), qmid);
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
std::string Block(const Placement& p, int form) {
    std::ostringstream out;
    out.precision(17);
    const double absLat = std::fabs(p.lat);
    const double absLon = std::fabs(p.lon);
    out << "<SceneryObject heading=\"" << p.heading << "\" imageComplexity=\"" << complexities[p.complexity] << "\" ";
    if (form == 1) {
        out << "lat=\"" << (p.lat < 0 ? 'S' : 'N') << std::floor(absLat) << ' ' << (absLat - std::floor(absLat)) * 60
            << "\" lon=\"" << (p.lon < 0 ? 'W' : 'E') << std::floor(absLon) << ' ' << (absLon - std::floor(absLon)) * 60
            << "\" alt=\"" << p.altMetres / 0.3048 << "F\"";
    } else {
        out << "lon=\"  " << p.lon << " \" lat=\"" << p.lat << "\" alt=\"" << p.altMetres << (form == 2 ? "M" : "") << '"';
    }
    out << " altitudeIsAgl=\"" << (p.agl ? (form == 2 ? "YES" : "TRUE") : (form == 2 ? "NO" : "FALSE"))
        << "\" pitch=\"" << p.pitch << "\" bank=\"" << p.bank << "\">\n"
        << "  <!-- a comment --><LibraryObject scale=\"" << p.scale << "\" name=\"" << p.guid << "\"/>\n"
        << "</SceneryObject>\n";
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
        } else if (i % 3 == 0) {  // a dense forest: many objects per cell
            p.lat = 47.5 + unit(random) * 0.3;
            p.lon = -122.25 + unit(random) * 0.4;
        } else {
            p.lat = unit(random) * 180.0 - 90.0;
            p.lon = unit(random) * 360.0 - 180.0;
        }
        p.heading = unit(random) * 1440.0 - 720.0;
        p.pitch = unit(random) * 20.0 - 10.0;
        p.bank = unit(random) * 20.0 - 10.0;
        p.altMetres = std::round(unit(random) * 2000.0 - 100.0);
        p.agl = i % 2 == 0;
        p.complexity = i % 6;
        p.scale = static_cast<float>(0.25 + unit(random) * 3.0);
        char guid[33];
        std::snprintf(guid, sizeof guid, "%08X%08X%08X%08X", static_cast<unsigned>(random()),
                      static_cast<unsigned>(random()), static_cast<unsigned>(random()), static_cast<unsigned>(i));
        p.guid = guid;
        placements.push_back(p);
    }
    std::string xml = "<?xml version=\"1.0\"?>\n<FSData version=\"9.0\">\n";
    for (std::size_t i = 0; i < placements.size(); ++i) {
        xml += Block(placements[i], static_cast<int>(i % 3));
    }
    xml += "</FSData>\n";

    TemporaryFolder folder;
    folder.Write("forest.xml", xml);
    std::ostringstream report;
    ASSERT_EQ(Bglcomp::RunBglcomp({folder.Path("forest.xml").string()}, "1700000000", report), 0) << report.str();
    const std::uint64_t fileTime = (1700000000ull + 11644473600ull) * 10000000ull;
    const std::vector<DecodedObject> decoded = Decode(folder.Read("forest.bgl"), fileTime);
    ASSERT_EQ(decoded.size(), placements.size());

    std::map<std::string, const Placement*> byGuid;
    for (const Placement& p : placements) {
        byGuid[p.guid] = &p;
    }
    for (const DecodedObject& o : decoded) {
        ASSERT_EQ(byGuid.count(o.guid), 1u) << o.guid;
        const Placement& p = *byGuid[o.guid];
        SCOPED_TRACE(o.guid);
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

// Objects that share a cell keep the order in which the file lists them.
TEST(BglDecoding, ObjectsInOneCellKeepTheirOrder) {
    std::string xml = "<FSData version=\"9.0\">";
    for (int i = 0; i < 20; ++i) {
        char block[200];
        std::snprintf(block, sizeof block,
                      "<SceneryObject lat=\"%f\" lon=\"%f\"><LibraryObject name=\"%032X\"/></SceneryObject>",
                      i % 2 == 0 ? 10.0 : -10.0, 20.0 + i * 1e-4, static_cast<unsigned>(i));
        xml += block;
    }
    xml += "</FSData>";
    TemporaryFolder folder;
    folder.Write("t.xml", xml);
    std::ostringstream report;
    ASSERT_EQ(Bglcomp::RunBglcomp({folder.Path("t.xml").string()}, "0", report), 0) << report.str();
    const std::vector<DecodedObject> decoded = Decode(folder.Read("t.bgl"), 116444736000000000ull);
    ASSERT_EQ(decoded.size(), 20u);
    // Rows run from the north pole, so the northern cell comes first; within it, file order.
    for (std::size_t i = 0; i < 10; ++i) {
        char guid[33];
        std::snprintf(guid, sizeof guid, "%032X", static_cast<unsigned>(2 * i));
        EXPECT_EQ(decoded[i].guid, guid);
        EXPECT_EQ(decoded[i].complexity, 2);  // defaults: NORMAL, above ground, scale 1
        EXPECT_EQ(decoded[i].flags, 1);
        EXPECT_EQ(decoded[i].scale, 1.0f);
    }
}
