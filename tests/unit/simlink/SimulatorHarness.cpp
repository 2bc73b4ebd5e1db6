#include "tests/unit/simlink/SimulatorHarness.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

std::unique_ptr<SimulatorProcess> StartSimulator(const std::vector<std::string>& arguments) {
    // Without a window, whatever display the tests run under: these tests drive it by its input.
    std::vector<std::string> headless{"--headless"};
    headless.insert(headless.end(), arguments.begin(), arguments.end());
    return std::make_unique<SimulatorProcess>(GROVEWRIGHT_SIMULATOR, headless);
}

std::vector<std::string> RequestAreasOf(pid_t process) {
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "ZuvavEzo_IPC_%X_", static_cast<unsigned>(process));
    std::vector<std::string> areas;
    std::error_code failure;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", failure)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) {
            areas.push_back(name);
        }
    }
    return areas;
}
