// Every document test reads its settings from a configuration folder of its own, never the
// user's; tests that need a setting write it there.
#include "platform/settings/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace
{
class SettingsFolder : public ::testing::Environment
{
public:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("orvalis-doc-config-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        ::setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

private:
    std::filesystem::path m_dir;
};

[[maybe_unused]] ::testing::Environment* const g_settingsFolder =
    ::testing::AddGlobalTestEnvironment(new SettingsFolder);
} // namespace
