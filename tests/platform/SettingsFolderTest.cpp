#include "platform/SettingsFolder.h"
#include "platform/ProgramFolder.h"

#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <string>

namespace brelvo::platform {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;

// Each row: the XDG_CONFIG_HOME value (nullptr for unset; one starting with "/" is taken under
// the test's folder) and where the folder must appear, under the test's folder.
TEST(SettingsFolderTest, FollowsTheConfigHomeRulesAndMakesPrivateFolders) {
    const std::pair<const char*, const char*> rows[] = {
        {nullptr, "home/.config/Kestrav/Brelvo"},
        {"relative/config", "home/.config/Kestrav/Brelvo"},
        {"/xdg/", "xdg/Kestrav/Brelvo"},
        {"/deep/er/config", "deep/er/config/Kestrav/Brelvo"}};
    for (const auto& [configHome, expected] : rows) {
        SCOPED_TRACE(expected);
        test::TempFolder root;
        fs::create_directories(root / "home");
        const std::string value =
            configHome ? (configHome[0] == '/' ? root.Path() : "") + configHome : "";
        const ScopedEnv home("HOME", (root / "home").c_str());
        const ScopedEnv xdg("XDG_CONFIG_HOME", configHome ? value.c_str() : nullptr);
        std::string created;
        ASSERT_TRUE(CreateSettingsFolder(&created));
        EXPECT_EQ(created, root / expected);
        EXPECT_EQ(SettingsFolderPath(), created);
        EXPECT_TRUE(fs::is_directory(created));
        EXPECT_TRUE(fs::is_empty(created));
        EXPECT_EQ(fs::status(created).permissions(), fs::perms::owner_all);
        EXPECT_EQ(fs::status(fs::path(created).parent_path()).permissions(), fs::perms::owner_all);
        // A relative value must not have created anything relative to the working folder.
        EXPECT_FALSE(fs::exists("relative"));
    }
}

TEST(SettingsFolderTest, FailsOnAFileInTheWayAndKeepsAnExistingFolder) {
    test::TempFolder root;
    const ScopedEnv xdg("XDG_CONFIG_HOME", root.Path().c_str());
    std::ofstream(root / "Kestrav") << "not a folder";
    std::string created = "untouched";
    EXPECT_FALSE(CreateSettingsFolder(&created));
    EXPECT_EQ(created, "untouched");
    fs::remove(root / "Kestrav");
    fs::create_directories(root / "Kestrav/Brelvo");
    std::ofstream(root / "Kestrav/Brelvo/keep") << "x";
    EXPECT_TRUE(CreateSettingsFolder());
    EXPECT_TRUE(fs::exists(root / "Kestrav/Brelvo/keep"));
}

// Programs started without HOME, or with a relative one, still find the user's home.
TEST(SettingsFolderTest, HomeFallsBackToThePasswordEntry) {
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    for (const char* home : {static_cast<const char*>(nullptr), "relative/home"}) {
        const ScopedEnv env("HOME", home);
        EXPECT_EQ(HomeFolder(), entry->pw_dir) << (home ? home : "unset");
    }
    const ScopedEnv env("HOME", "/some/where");
    EXPECT_EQ(HomeFolder(), "/some/where");
}

TEST(ProgramFolderTest, IsTheFolderOfTheRunningTest) {
    // The folder must hold the executable itself under the name the kernel reports.
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(ProgramFolder(), exe.parent_path().string() + "/");
    EXPECT_TRUE(fs::is_regular_file(ProgramFolder() + exe.filename().string()));
}

} // namespace
} // namespace brelvo::platform
