#pragma once
// Helpers for the main-window tests: a window on test devices and a
// responder that answers the window's modal dialogs. Temporary folders and
// WAV files come from tests/common.

#include "tests/common/temp_dir.h"
#include "tests/common/test_wav.h"

#include "app/graph_widget.h"
#include "app/main_window.h"
#include "audio/audio_output.h"
#include "base/paths.h"
#include "control/settings_file.h"
#include "midi/midi_port.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QtTest/QTest>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

namespace pitkad::test {

namespace fs = std::filesystem;

inline const fs::path data_dir = PITKAD_DATA_DIR;

// A short tone that analyses in a moment (50 frames a second).
inline fs::path small_recording(const fs::path& dir, const char* name = "tone.wav",
                                int seconds = 2) {
    const fs::path file = dir / name;
    ToneWav s;
    s.frames = 44100 * seconds;
    write_wav(file, s);
    return file;
}

// The main window on test devices: a recording MIDI port, a hand-stepped
// audio clock and a given screen height; the settings file is read only
// when asked for.
struct Window {
    RecordingMidiBackend* midi_log = nullptr; // owned by the window's port
    SteppedOutput* clock = nullptr;           // owned by the window
    std::unique_ptr<MainWindow> form;
};

inline Window make_window(int screen_height = 1200, bool with_midi = true,
                          bool read_settings = false) {
    Window w;
    StartOptions o;
    auto clock = std::make_unique<SteppedOutput>();
    w.clock = clock.get();
    o.audio = std::move(clock);
    RecordingMidiBackend** log = &w.midi_log;
    if (with_midi)
        o.midi = [log]() -> std::unique_ptr<MidiBackend> {
            auto b = std::make_unique<RecordingMidiBackend>();
            *log = b.get();
            return b;
        };
    else
        o.midi = []() -> std::unique_ptr<MidiBackend> { return nullptr; };
    o.screen_height = screen_height;
    o.read_settings = read_settings;
    o.threads = 1;
    w.form = std::make_unique<MainWindow>(std::move(o));
    return w;
}

// How many ModalResponders live: a dialog that opens while none does was not
// expected, and the test's main fails the test and closes it.
inline int& live_responders() {
    static int count = 0;
    return count;
}

// Answers every modal dialog that opens while it lives: records a message
// box's text and clicks the button named in `answers` (in turn; the box's
// escape or OK button when none is left), and accepts a file dialog with
// `file_to_choose` (rejects it when that is empty), noting its filters.
class ModalResponder : public QObject {
  public:
    struct Seen {
        QString title;
        QString text;
        QStringList buttons;
    };

    ModalResponder() {
        ++live_responders();
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
    }

    ~ModalResponder() override { --live_responders(); }
    ModalResponder(const ModalResponder&) = delete;
    ModalResponder& operator=(const ModalResponder&) = delete;

    std::vector<Seen> seen;
    QStringList answers;
    QString file_to_choose;
    int file_dialogs = 0;
    QStringList name_filters; // of the last file dialog
    // Popup menus: the item to choose (by caption; none: the menu is
    // closed), and the checked item each popup showed.
    QString popup_choice;
    QStringList popup_checked;
    // Any other dialog: set its controls here and accept or reject it; it
    // is rejected when this is empty.
    std::function<void(QDialog*)> on_dialog;

    QStringList texts() const {
        QStringList t;
        for (const Seen& s : seen)
            t << s.text;
        return t;
    }

  private:
    void poll() {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            if (!menu->isVisible()) return; // closed, its loop not yet left
            QAction* chosen = nullptr;
            QString checked;
            for (QAction* a : menu->actions()) {
                if (a->isChecked()) checked = a->text();
                if (!popup_choice.isEmpty() && a->text() == popup_choice) chosen = a;
            }
            popup_checked << checked;
            menu->close();
            if (chosen) chosen->trigger();
            return;
        }
        QWidget* w = QApplication::activeModalWidget();
        if (!w) return;
        if (w == last_) return;
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            last_ = w;
            Seen s{box->windowTitle(), box->text(), {}};
            for (QAbstractButton* b : box->buttons())
                s.buttons << b->text();
            seen.push_back(s);
            QAbstractButton* chosen = nullptr;
            if (!answers.isEmpty()) {
                const QString want = answers.takeFirst();
                for (QAbstractButton* b : box->buttons())
                    if (b->text() == want) chosen = b;
            }
            if (!chosen) chosen = box->escapeButton();
            if (!chosen && !box->buttons().isEmpty()) chosen = box->buttons().front();
            if (chosen)
                chosen->click();
            else
                box->done(0);
        } else if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
            if (counted_ != w) {
                counted_ = w;
                ++file_dialogs;
                name_filters = dialog->nameFilters();
            }
            if (file_to_choose.isEmpty()) {
                last_ = w;
                dialog->reject();
                return;
            }
            // Typed into the file name box, as a user would: selectFile()
            // depends on the folder model, which fills in a background thread.
            if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit"))
                edit->setText(file_to_choose);
            else
                dialog->selectFile(file_to_choose);
            if (dialog->selectedFiles() != QStringList{file_to_choose}) return;
            last_ = w;
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        } else if (auto* other = qobject_cast<QDialog*>(w)) {
            last_ = w;
            if (on_dialog)
                on_dialog(other);
            else
                other->reject();
        }
    }

    QTimer timer_;
    QPointer<QWidget> last_;
    QPointer<QWidget> counted_;
};

// The main window's caption as its title bar shows it: Qt shows "*" for
// the "[*]" in the title while the window is modified, else nothing.
inline QString shown_title(const QWidget& w) {
    QString t = w.windowTitle();
    return t.replace(QLatin1String("[*]"), w.isWindowModified() ? QString("*") : QString());
}

// A finished run of a program: exit code (-1 when it crashed or hung).
struct ProcessResult {
    int exit_code = -1;
    QString out, err;
};

// Runs `exe` with `args` in the folder `cwd` and waits for it.
inline ProcessResult run_program(const fs::path& exe, const QStringList& args, const fs::path& cwd,
                                 const QProcessEnvironment& env =
                                     QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(cwd.string()));
    p.start(QString::fromStdString(exe.string()), args);
    ProcessResult r;
    if (!p.waitForFinished(120000)) return r;
    r.exit_code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

inline QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// A test that owns the settings file of the test's config folder: none at
// the start, none left behind. Skipped when a portable settings file beside
// the tests would be read instead.
class SettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (fs::exists(executable_dir() / "PitkaD.ini"))
            GTEST_SKIP() << "a portable settings file beside the tests takes precedence";
        path = settings_file_path();
        fs::create_directories(fs::path(path.toStdString()).parent_path());
        fs::remove(path.toStdString());
    }
    void TearDown() override { fs::remove(fs::path(path.toStdString())); }
    QString path;
};

} // namespace pitkad::test
