#include "forest/ReadKmlPolygons.h"

#include <gtest/gtest.h>

#include "tests/support/TemporaryFolder.h"

namespace {

const char* const goodKml = R"(<?xml version="1.0" encoding="UTF-8"?>
<kml xmlns="http://www.opengis.net/kml/2.2"><Document><Folder>
  <Placemark><name>Wood</name><Polygon><outerBoundaryIs><LinearRing><coordinates>
     8.25,47.5,0 8.26,47.5,0
     8.26,47.51,0	8.25,47.51,0 8.25,47.5,0
  </coordinates></LinearRing></outerBoundaryIs>
  <innerBoundaryIs><LinearRing><coordinates>8.252,47.502 8.254,47.502 8.254,47.504</coordinates></LinearRing></innerBoundaryIs>
  </Polygon></Placemark>
  <Placemark><MultiGeometry><LineString><coordinates>1,2 3,4</coordinates></LineString>
    <Polygon><outerBoundaryIs><LinearRing><coordinates><![CDATA[-0.5,51.4 -0.4,51.4 -0.4,51.5]]></coordinates></LinearRing></outerBoundaryIs></Polygon>
  </MultiGeometry></Placemark>
</Folder></Document></kml>
)";

std::string Kml(const std::string& body) {
    return "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Placemark>" + body + "</Placemark></kml>";
}

std::string PolygonWith(const std::string& coordinates) {
    return Kml("<Polygon><outerBoundaryIs><LinearRing><coordinates>" + coordinates +
               "</coordinates></LinearRing></outerBoundaryIs></Polygon>");
}

}  // namespace

TEST(ReadKmlPolygons, OuterBoundariesAndHolesInFileOrder) {
    const KmlOutcome outcome = ReadKmlText(goodKml);
    ASSERT_EQ(outcome.status, KmlStatus::Read) << outcome.detail;
    ASSERT_EQ(outcome.polygons.size(), 2u);
    const auto& wood = outcome.polygons[0];
    ASSERT_EQ(wood.corners.size(), 4u) << "the ring's closing repeat is dropped";
    EXPECT_EQ(wood.corners[2].latitude, 47.51);
    EXPECT_EQ(wood.corners[2].longitude, 8.26);
    ASSERT_EQ(wood.holes.size(), 1u);
    EXPECT_EQ(wood.holes[0].size(), 3u);
    ASSERT_EQ(outcome.polygons[1].corners.size(), 3u);
    EXPECT_EQ(outcome.polygons[1].corners[0].longitude, -0.5);
}

// Whatever the file holds, it is refused with the problem named and no polygons.
TEST(ReadKmlPolygons, BadFilesAreRefusedWithTheProblem) {
    const struct {
        std::string text;
        KmlStatus status;
        std::string detail;
    } cases[] = {
        {"", KmlStatus::NotXml, "the file is empty"},
        {"<kml><Polygon>", KmlStatus::NotXml, ""},
        {"PK\x03\x04 zipped", KmlStatus::NotXml, ""},
        {"<gpx><trk/></gpx>", KmlStatus::NotKml, "gpx"},
        {Kml("<LineString><coordinates>1,2 3,4</coordinates></LineString>"), KmlStatus::NoPolygon, ""},
        {Kml("<Polygon><innerBoundaryIs><LinearRing><coordinates>1,2 3,4 "
             "5,6</coordinates></LinearRing></innerBoundaryIs></Polygon>"),
         KmlStatus::NoPolygon, ""},
        {PolygonWith("8,47 8,95 9,47"), KmlStatus::BadCoordinates, "8,95"},
        {PolygonWith("8,47 8;47.1 9,47"), KmlStatus::BadCoordinates, "8;47.1"},
        {PolygonWith("8,47,0,1 8,47.1 9,47"), KmlStatus::BadCoordinates, "8,47,0,1"},
        {PolygonWith("8,47 8,nan 9,47"), KmlStatus::BadCoordinates, "8,nan"},
        {PolygonWith("8,47 8, 47.1 9,47"), KmlStatus::BadCoordinates, "8,"},
        // An entity is never expanded into the coordinates.
        {"<!DOCTYPE kml [<!ENTITY c \"8,47 8,47.1 9,47\">]>" + PolygonWith("&c;"), KmlStatus::Read, ""},
    };
    for (const auto& c : cases) {
        const KmlOutcome outcome = ReadKmlText(c.text);
        EXPECT_EQ(outcome.status, c.status) << c.text;
        EXPECT_NE(outcome.detail.find(c.detail), std::string::npos) << c.text << ": " << outcome.detail;
        if (outcome.status == KmlStatus::Read) {
            ASSERT_EQ(outcome.polygons.size(), 1u);
            EXPECT_TRUE(outcome.polygons[0].corners.empty());
        } else {
            EXPECT_TRUE(outcome.polygons.empty()) << c.text;
        }
    }
}

TEST(ReadKmlPolygons, FilesThatCannotBeRead) {
    TemporaryFolder folder;
    folder.Write("wood.kml", goodKml);
    EXPECT_EQ(ReadKmlFile(folder.Path("wood.kml")).polygons.size(), 2u);
    EXPECT_EQ(ReadKmlFile(folder.Path("missing.kml")).status, KmlStatus::NotFound);
    EXPECT_EQ(ReadKmlFile(folder.Path()).status, KmlStatus::CannotOpen);
    EXPECT_EQ(ReadKmlFile(folder.Path("wood.kml") / "x").status, KmlStatus::NotFound);
    EXPECT_EQ(ReadKmlFile(folder.Path("missing.kml")).path, (folder.Path("missing.kml")).string());
}
