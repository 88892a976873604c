// The window tests run on Qt's offscreen platform, with per-user folders in
// a temporary place so that closing a window never touches the user's cache.
#include "tests/common/temp_dir.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const pitkad::test::TempDir home;
    std::filesystem::create_directories(home / "cache");
    std::filesystem::create_directories(home / "config");
    ::setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
