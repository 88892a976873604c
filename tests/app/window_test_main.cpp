// The window tests run on Qt's offscreen platform, with per-user folders in
// a temporary place so that closing a window never touches the user's cache.
#include "tests/app/window_test_support.h"
#include "tests/common/temp_dir.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

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
    // A dialog no responder waits for would block the test until its time
    // limit: it fails the test and is closed instead.
    QTimer unexpected_dialogs;
    unexpected_dialogs.setInterval(20);
    QObject::connect(&unexpected_dialogs, &QTimer::timeout, [] {
        if (pitkad::test::live_responders() > 0) return;
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        const auto* box = qobject_cast<QMessageBox*>(w);
        ADD_FAILURE() << "unexpected dialog: "
                      << (box ? box->text() : w->windowTitle()).toStdString();
        if (auto* dialog = qobject_cast<QDialog*>(w))
            dialog->reject();
        else
            w->close();
    });
    unexpected_dialogs.start();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
