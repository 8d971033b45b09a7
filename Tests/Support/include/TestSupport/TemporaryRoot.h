#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// A simulated root of its own for one test: made with mkdtemp, named by
// SIMMAC_ROOT while the test runs, removed afterwards.
class TemporaryRoot {
public:
    TemporaryRoot()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velkora-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        setenv("SIMMAC_ROOT", path_.c_str(), 1);
    }
    ~TemporaryRoot()
    {
        unsetenv("SIMMAC_ROOT");
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryRoot(const TemporaryRoot&) = delete;
    TemporaryRoot& operator=(const TemporaryRoot&) = delete;

    const std::filesystem::path& path() const { return path_; }

    void write(const std::filesystem::path& relative, const std::string& text) const
    {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }

    std::string read(const std::filesystem::path& relative) const
    {
        std::ifstream in(path_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};
