#include "VelkoraCore/StoredFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

// Whatever stands at a stored file's name, reading it ends at once with the
// bytes of a small regular file or a reason, and keeping it aside never
// replaces an earlier file kept aside.
namespace velkora {
namespace {

class StoredFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "stored-file-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        path = folder / "state.json";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void write(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }

    std::filesystem::path folder;
    std::filesystem::path path;
};

TEST_F(StoredFileTest, OnlyASmallRegularFileIsRead)
{
    StoredFile::Reading reading = StoredFile::read(path, 16);
    EXPECT_FALSE(reading.bytes);
    EXPECT_FALSE(reading.problem) << "a missing file is no problem";

    write("{\"a\":1}");
    reading = StoredFile::read(path, 16);
    ASSERT_TRUE(reading.bytes);
    EXPECT_EQ(std::string(reading.bytes->begin(), reading.bytes->end()), "{\"a\":1}");
    EXPECT_FALSE(reading.problem);

    const struct {
        const char* name;
        void (*make)(const std::filesystem::path&);
        const char* reason;
    } unusable[] = {
        {"folder", [](const auto& at) { std::filesystem::create_directory(at); }, "it is a folder"},
        {"pipe nobody writes", [](const auto& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); }, "it is a named pipe"},
        {"link to an endless device", [](const auto& at) { std::filesystem::create_symlink("/dev/zero", at); },
         "it is a symbolic link"},
        {"link to a good file",
         [](const auto& at) {
             std::ofstream(at.string() + ".real") << "{}";
             std::filesystem::create_symlink(at.string() + ".real", at);
         },
         "it is a symbolic link"},
        {"file too large", [](const auto& at) { std::ofstream(at) << std::string(17, 'x'); },
         "it holds 17 bytes, more than the 16 it may"},
    };
    for (const auto& entry : unusable) {
        std::filesystem::remove(path);
        entry.make(path);
        reading = StoredFile::read(path, 16);
        EXPECT_FALSE(reading.bytes) << entry.name;
        EXPECT_EQ(reading.problem.value_or("none"), entry.reason) << entry.name;
    }
}

TEST_F(StoredFileTest, KeepingAsideRenamesWithTheTimeAndNeverReplaces)
{
    const auto when = std::chrono::system_clock::from_time_t(1'781'167'102);  // 2026-06-11 08:38:22 UTC
    write("first");
    EXPECT_EQ(StoredFile::keepAside(path, when), folder / "state.json.unreadable-20260611T083822Z");
    write("second");
    EXPECT_EQ(StoredFile::keepAside(path, when), folder / "state.json.unreadable-20260611T083822Z-1");
    std::filesystem::create_directory(path);
    EXPECT_EQ(StoredFile::keepAside(path, when), folder / "state.json.unreadable-20260611T083822Z-2");

    EXPECT_FALSE(std::filesystem::exists(path));
    std::ifstream first(folder / "state.json.unreadable-20260611T083822Z");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(first), {}), "first");
    EXPECT_THROW(StoredFile::keepAside(path, when), std::system_error) << "nothing left to keep aside";
}

}  // namespace
}  // namespace velkora
