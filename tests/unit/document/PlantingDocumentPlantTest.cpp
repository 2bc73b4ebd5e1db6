// Planting at the aircraft's position read from the stand-in simulator, running as its own process.
#include <gtest/gtest.h>

#include <cstdio>

#include "document/PlantingDocument.h"
#include "tests/unit/document/TreeGuids.h"
#include "tests/unit/simlink/SimulatorHarness.h"
#include "tools/simulator/ScratchRuntimeFolder.h"

namespace {

class PlantingDocumentPlant : public ::testing::Test {
protected:
    ScratchRuntimeFolder runtime;  // this test's simulator and links meet here only
    PlantingDocument document{"/unused/"};
};

TEST_F(PlantingDocumentPlant, ATreeAndACopseWhereTheAircraftIs) {
    const auto simulator = StartSimulator({"--latitude", "47.5", "--longitude", "8.25"});
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();

    PlantOutcome outcome = document.PlantTree(PlatformIpcLinkMaker(), guidA);
    ASSERT_EQ(outcome.status, PlantStatus::Planted) << "link result " << outcome.code;
    EXPECT_DOUBLE_EQ(outcome.latitude, 47.5);
    EXPECT_DOUBLE_EQ(outcome.longitude, 8.25);
    EXPECT_EQ(outcome.objectsAdded, 1u);
    outcome = document.PlantTree(PlatformIpcLinkMaker(), guidB);
    EXPECT_EQ(outcome.objectsLeftOut, 1u);

    double latitude = 0.0, longitude = 0.0;
    ASSERT_EQ(
        std::sscanf(simulator->Command("slew 300 -200").c_str(), "position %lf %lf", &latitude, &longitude),
        2);
    document.AddCopseObject(0.0, 0.0, guidA);
    document.AddCopseObject(0.0001, -0.0002, guidB);
    outcome = document.PlantCopse(PlatformIpcLinkMaker());
    ASSERT_EQ(outcome.status, PlantStatus::Planted) << "link result " << outcome.code;
    EXPECT_EQ(outcome.objectsAdded, 2u);
    ASSERT_EQ(document.PlantedCount(), 3u);
    EXPECT_NEAR(document.PlantedObjects().LatitudeAt(1), latitude, 1e-9);
    EXPECT_NEAR(document.PlantedObjects().LongitudeAt(2), longitude - 0.0002, 1e-9);
    EXPECT_EQ(document.PlantedObjects().GuidAt(2), guidB);
}

TEST_F(PlantingDocumentPlant, ASimulatorThatIsGoneAddsNothing) {
    {
        const auto simulator = StartSimulator();
        ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
        simulator->Command("quit");
        simulator->Wait(5000);
    }
    document.AddCopseObject(0.0, 0.0, guidA);
    const PlantOutcome tree = document.PlantTree(PlatformIpcLinkMaker(), guidA);
    const PlantOutcome copse = document.PlantCopse(PlatformIpcLinkMaker());
    EXPECT_EQ(tree.status, PlantStatus::LinkFailed);
    EXPECT_EQ(copse.status, PlantStatus::LinkFailed);
    EXPECT_NE(tree.code, 0);
    EXPECT_EQ(document.PlantedCount(), 0u);
}

}  // namespace
