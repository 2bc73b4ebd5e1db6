#include "tests/unit/simlink/SimulatorHarness.h"

std::unique_ptr<SimulatorProcess> StartSimulator(const std::vector<std::string>& arguments) {
    // Without a window, whatever display the tests run under: these tests drive it by its input.
    std::vector<std::string> headless{"--headless"};
    headless.insert(headless.end(), arguments.begin(), arguments.end());
    return std::make_unique<SimulatorProcess>(GROVEWRIGHT_SIMULATOR, headless);
}
