#include <string>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <gtest/gtest.h>

#include "tests/unit/bglcomp/PlantingXmlText.h"

// The schema shipped beside the compiler accepts what Grovewright writes and what the compiler
// reads, and refuses what the compiler refuses.
namespace {

bool Valid(const std::string& xml) {
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(BGLCOMP_SCHEMA_SOURCE);
    xmlSchemaPtr schema = xmlSchemaParse(parser);
    EXPECT_NE(schema, nullptr);
    xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(schema);
    xmlSchemaSetValidStructuredErrors(validator, [](void*, xmlErrorPtr) {}, nullptr);
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET);
    const bool valid = doc != nullptr && xmlSchemaValidateDoc(validator, doc) == 0;
    xmlFreeDoc(doc);
    xmlSchemaFreeValidCtxt(validator);
    xmlSchemaFree(schema);
    xmlSchemaFreeParserCtxt(parser);
    return valid;
}

std::string OneTree(const std::string& lat, const std::string& name) {
    return "<FSData version=\"9.0\"><SceneryObject lat=\"" + lat +
           "\" lon=\"W122 15.000\" alt=\"100F\" altitudeIsAgl=\"NO\" imageComplexity=\"VERY_DENSE\">"
           "<LibraryObject name=\"" + name + "\" scale=\" 2.5\"/></SceneryObject></FSData>";
}

}  // namespace

TEST(Schema, AcceptsTheWritersFilesAndRefusesWhatTheCompilerRefuses) {
    const std::string guid = "67707891DBC1CC0D5F111EE9C4CBF11A";
    EXPECT_TRUE(Valid(PlantingXmlText::Document({{51.5, -0.5, 25.0500504, guid}, {-33.9, 151.2, 65.0, guid}})));
    EXPECT_TRUE(Valid(OneTree("N47 30.000", guid)));
    EXPECT_TRUE(Valid(OneTree(" -33.9461 ", guid)));
    EXPECT_FALSE(Valid(OneTree("abc", guid)));
    EXPECT_FALSE(Valid(OneTree("51,5", guid)));
    EXPECT_FALSE(Valid(OneTree("51.5", guid.substr(1))));
    EXPECT_FALSE(Valid("<FSData version=\"8.0\"/>"));
    EXPECT_FALSE(Valid("<FSData version=\"9.0\"><SceneryObject lat=\"1\" lon=\"2\"/></FSData>"));
}
