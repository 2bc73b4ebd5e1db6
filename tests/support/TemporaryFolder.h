#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

// Whole files as byte strings, for tests that compare what was written byte for byte.
inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// A fresh folder under the system's temporary folder (or another base) for one test, removed with
// everything in it at the end.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
#ifdef _WIN32
        // Windows has no mkdtemp: a random name, created only if it did not exist.
        std::random_device entropy;
        for (int tries = 0; tries < 100 && path.empty(); ++tries) {
            const auto candidate = base / ("grovewright-test-" + std::to_string(entropy()));
            std::error_code failure;
            if (std::filesystem::create_directory(candidate, failure)) {
                path = candidate;
            }
        }
#else
        std::string pattern = (base / "grovewright-test-XXXXXX").string();
        path = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
#endif
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path; }
    std::filesystem::path Path(const std::string& name) const { return path / name; }

    void Write(const std::string& name, const std::string& bytes) const { WriteBytes(Path(name), bytes); }
    std::string Read(const std::string& name) const { return ReadBytes(Path(name)); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
    std::size_t EntryCount() const { return FileNames().size(); }

    // The names in the folder, hidden ones included, sorted.
    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path;
};
