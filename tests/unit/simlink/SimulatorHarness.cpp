#include "tests/unit/simlink/SimulatorHarness.h"

std::unique_ptr<SimulatorProcess> StartSimulator(const std::vector<std::string>& arguments) {
    return std::make_unique<SimulatorProcess>(GROVEWRIGHT_SIMULATOR, arguments);
}
