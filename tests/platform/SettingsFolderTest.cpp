#include "platform/SettingsFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace brelvo::platform {
namespace {

namespace fs = std::filesystem;

// Sets or clears an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class SettingsFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() /
                 ("brelvo-settings-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
    }
    void TearDown() override { fs::remove_all(m_root); }

    fs::path m_root;
};

// Each row: the XDG_CONFIG_HOME value (nullopt for unset, relative under the root when it does
// not start with "/") and where the folder must appear, relative to the root.
TEST_F(SettingsFolderTest, FollowsTheConfigHomeRules) {
    struct Row {
        std::optional<std::string> configHome;
        std::string expected;
    };
    const Row rows[] = {
        {std::nullopt, "home/.config/Kestrav/Brelvo"},
        {"", "home/.config/Kestrav/Brelvo"},
        {"relative/config", "home/.config/Kestrav/Brelvo"},
        {"/xdg", "xdg/Kestrav/Brelvo"},
        {"/xdg/", "xdg/Kestrav/Brelvo"},
        {"/deep/er/config", "deep/er/config/Kestrav/Brelvo"},
    };
    for (const Row& row : rows) {
        fs::remove_all(m_root);
        fs::create_directories(m_root / "home");
        std::optional<std::string> configHome = row.configHome;
        if (configHome && configHome->starts_with('/'))
            configHome = m_root.string() + *configHome;
        const ScopedEnv home("HOME", (m_root / "home").string());
        const ScopedEnv xdg("XDG_CONFIG_HOME", configHome);

        std::string created;
        ASSERT_TRUE(CreateSettingsFolder(&created)) << row.expected;
        EXPECT_EQ(created, (m_root / row.expected).string());
        EXPECT_EQ(SettingsFolderPath(), created);
        EXPECT_TRUE(fs::is_directory(created));
        EXPECT_TRUE(fs::is_empty(created));
        // A relative value must not have created anything relative to the working folder.
        EXPECT_FALSE(fs::exists("relative"));
    }
}

TEST_F(SettingsFolderTest, ExistingFolderIsFineAndKeepsItsContents) {
    const ScopedEnv xdg("XDG_CONFIG_HOME", m_root.string());
    fs::create_directories(m_root / "Kestrav/Brelvo");
    std::ofstream(m_root / "Kestrav/Brelvo/keep") << "x";
    EXPECT_TRUE(CreateSettingsFolder());
    EXPECT_TRUE(fs::exists(m_root / "Kestrav/Brelvo/keep"));
}

TEST_F(SettingsFolderTest, NewFoldersArePrivate) {
    const ScopedEnv xdg("XDG_CONFIG_HOME", (m_root / "fresh").string());
    ASSERT_TRUE(CreateSettingsFolder());
    struct stat info {};
    ASSERT_EQ(::stat((m_root / "fresh/Kestrav/Brelvo").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(SettingsFolderTest, FailsWhenAFileIsInTheWay) {
    const ScopedEnv xdg("XDG_CONFIG_HOME", m_root.string());
    std::ofstream(m_root / "Kestrav") << "not a folder";
    std::string created = "untouched";
    EXPECT_FALSE(CreateSettingsFolder(&created));
    EXPECT_EQ(created, "untouched");
}

} // namespace
} // namespace brelvo::platform
