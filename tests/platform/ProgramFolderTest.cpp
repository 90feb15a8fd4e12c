#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace brelvo::platform {
namespace {

namespace fs = std::filesystem;

TEST(ProgramFolderTest, IsTheFolderOfTheRunningTest) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_EQ(folder.back(), '/');
    // The folder must hold the executable itself under the name the kernel reports.
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(folder + exe.filename().string(), exe.string());
    EXPECT_TRUE(fs::is_regular_file(folder + exe.filename().string()));
}

} // namespace
} // namespace brelvo::platform
