// The window tests run on Qt's offscreen platform, with per-user folders in
// a temporary place so that closing a window never touches the user's cache.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const auto home =
        std::filesystem::temp_directory_path() / ("pitkad_app_home_" + std::to_string(::getpid()));
    std::filesystem::create_directories(home / "cache");
    std::filesystem::create_directories(home / "config");
    ::setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return result;
}
