// Ways to open a recording besides the open dialog: a file dropped on the
// window, the recent-files submenu.
#include "app/file_choice.h"
#include "app/status_texts.h"
#include "base/paths.h"
#include "control/settings_file.h"
#include "window_test_support.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <string_view>

#include <QAction>
#include <QFile>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace pitkad::test {
namespace {

QString qpath(const fs::path& p) {
    return QString::fromStdString(p.string());
}

// Drags `mime` over the graph and drops it there; true when the window
// accepted the drag, as a copy.
bool drag_and_drop(MainWindow& f, const QMimeData& mime) {
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(40, 40), offered, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.graph, &enter);
    const bool accepted = enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
    QDropEvent drop(QPointF(40, 40), offered, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.graph, &drop);
    QApplication::processEvents(); // the open runs once the drop has returned
    return accepted && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

// A dropped local file opens through the open sequence and becomes the
// open dialog's folder; with several, the first file; anything else is
// refused and changes nothing.
TEST(WindowDrop, LocalFileOpensOtherDropsAreRefused) {
    TempDir dir;
    const fs::path first = small_recording(dir.path(), "first.wav", 1);
    const fs::path second = small_recording(dir.path(), "second.wav", 1);
    const QUrl web("https://example.org/first.wav");
    struct Case {
        const char* name;
        QList<QUrl> urls;
        QString text;
        const char* opened; // null: refused
    };
    const Case cases[] = {
        {"a file", {QUrl::fromLocalFile(qpath(first))}, {}, "first.wav"},
        {"two files",
         {QUrl::fromLocalFile(qpath(second)), QUrl::fromLocalFile(qpath(first))},
         {},
         "second.wav"},
        {"a web address, then a file", {web, QUrl::fromLocalFile(qpath(first))}, {}, "first.wav"},
        {"a web address", {web}, {}, nullptr},
        {"a folder", {QUrl::fromLocalFile(qpath(dir.path()))}, {}, nullptr},
        {"text", {}, qpath(first), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window w = make_window();
        MainWindow& f = *w.form;
        QMimeData mime;
        if (!c.urls.isEmpty()) mime.setUrls(c.urls);
        if (!c.text.isEmpty()) mime.setText(c.text);
        ModalResponder responder;
        EXPECT_EQ(drag_and_drop(f, mime), c.opened != nullptr);
        EXPECT_TRUE(responder.seen.empty());
        if (c.opened) {
            EXPECT_EQ(shown_title(f), QString("PitkaD - ") + c.opened);
            EXPECT_EQ(f.play_state(), PlayState::stopped);
            EXPECT_EQ(f.opener().last_open_path, qpath(dir.path() / c.opened));
            EXPECT_EQ(f.opener().open_dialog_dir, qpath(dir.path()));
        } else {
            EXPECT_EQ(f.play_state(), PlayState::no_recording);
            EXPECT_TRUE(f.opener().open_dialog_dir.isEmpty());
        }
    }
}

TEST(RecentCaptions, NameAloneUnlessAnotherEntryShares) {
    EXPECT_EQ(recent_file_captions({"/a/x.wav", "/b/x.wav", "/a/R&B.mp3"}),
              (QStringList{"&1 x.wav  (/a)", "&2 x.wav  (/b)", "&3 R&&B.mp3"}));
}

// The list lives in the settings file of the test's own config folder.
class RecentFiles : public SettingsFileTest {
  protected:
    static QStringList shown(MainWindow& f) {
        QStringList captions;
        for (QAction* a : f.menus->recent_menu->actions())
            if (a->isVisible()) captions << a->text();
        return captions;
    }

    TempDir dir;
};

// Files that opened are listed newest first, each once, eight at most; the
// list is stored at once without touching the file's other lines, and the
// next window starts with it.
TEST_F(RecentFiles, OpenedFilesAreListedAndSurviveARestart) {
    const QByteArray others = "; mine\n[View]\nLoudness=0\n[Other]\nName=\"open\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(others);
    }
    Window w = make_window();
    MainWindow& f = *w.form;
    EXPECT_FALSE(f.menus->recent_menu->menuAction()->isEnabled());
    auto take = [&](int n) { return qpath(dir.path() / ("take" + std::to_string(n) + ".wav")); };
    for (int n = 0; n < 10; ++n) {
        small_recording(dir.path(), ("take" + std::to_string(n) + ".wav").c_str(), 1);
        ASSERT_TRUE(f.opener().open_chosen_file(take(n)));
    }
    ASSERT_TRUE(f.opener().open_chosen_file(take(5)));
    std::ofstream(dir.path() / "broken.wav") << "not a recording";
    {
        ModalResponder responder;
        EXPECT_FALSE(f.opener().open_chosen_file(qpath(dir.path() / "broken.wav")));
    }
    const QStringList expected{take(5), take(9), take(8), take(7),
                               take(6), take(4), take(3), take(2)};
    EXPECT_EQ(f.opener().recent_files, expected);
    EXPECT_TRUE(f.menus->recent_menu->menuAction()->isEnabled());
    EXPECT_EQ(shown(f), recent_file_captions(expected));
    EXPECT_EQ(f.menus->recent_actions[0]->toolTip(), take(5));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith(others + "\n[Recent]\n"));

    Window next = make_window(1200, true, true);
    EXPECT_EQ(next.form->opener().recent_files, expected);
    EXPECT_EQ(shown(*next.form), recent_file_captions(expected));
}

// Choosing an entry opens it; an entry whose file is gone is removed, from
// the file too, with a message naming it, and the open recording stays.
// With the last entry gone the submenu is disabled.
TEST_F(RecentFiles, EntryOpensAndAMissingOneIsRemoved) {
    Window w = make_window();
    MainWindow& f = *w.form;
    const QString kept = qpath(small_recording(dir.path(), "kept.wav", 1));
    const QString gone = qpath(small_recording(dir.path(), "gone.wav", 1));
    ASSERT_TRUE(f.opener().open_chosen_file(kept));
    ASSERT_TRUE(f.opener().open_chosen_file(gone));
    fs::remove(gone.toStdString());

    ModalResponder responder;
    f.menus->recent_actions[0]->trigger();
    ASSERT_EQ(responder.seen.size(), 1u);
    EXPECT_EQ(responder.seen[0].text, QString(status_texts::cannot_open) + '\n' + gone);
    EXPECT_EQ(f.opener().recent_files, QStringList{kept});
    EXPECT_EQ(SettingsFile(path).recent_files(), QStringList{kept});
    EXPECT_EQ(shown(f).size(), 1);
    EXPECT_EQ(shown_title(f), QString("PitkaD - gone.wav"));

    f.menus->recent_actions[0]->trigger();
    EXPECT_EQ(responder.seen.size(), 1u);
    EXPECT_EQ(shown_title(f), QString("PitkaD - kept.wav"));

    fs::remove(kept.toStdString());
    f.menus->recent_actions[0]->trigger();
    EXPECT_EQ(responder.seen.size(), 2u);
    EXPECT_TRUE(f.opener().recent_files.isEmpty());
    EXPECT_FALSE(f.menus->recent_menu->menuAction()->isEnabled());
}

// While a long recording is read and analysed the window goes on and shows
// the progress and the recording's first screen; Cancel, Esc or opening another file abandons that
// open at once, and the recording and drawing that were open stay as they were, shown again.
TEST(WindowOpenProgress, AnAbandonedOpenLeavesTheOpenRecording) {
    TempDir dir;
    const QString open = qpath(small_recording(dir.path(), "open.wav", 1));
    const QString other = qpath(small_recording(dir.path(), "other.wav", 1));
    const QString slow = qpath(small_recording(dir.path(), "slow.wav", 240));
    for (const char* way : {"Cancel", "Esc", "another file"}) {
        SCOPED_TRACE(way);
        Window w = make_window();
        MainWindow& f = *w.form;
        ASSERT_TRUE(f.open_recording(open));
        f.doc.drawing[5].line_mark() = 2;
        bool other_opened = false;
        int first_looks = 0;
        f.early_graph_shown = [&] { ++first_looks; };
        GraphWidget* graph = f.graph;
        // Runs inside the open's own event loop, once the progress moves
        // and the first screen of the recording is shown, taking no clicks.
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!f.opening() || f.strip->open_progress->value() <= 0 || first_looks == 0) return;
            poll.stop();
            EXPECT_FALSE(graph->isEnabled());
            EXPECT_TRUE(f.overview->isHidden()); // the open recording's
            EXPECT_FALSE(f.strip->open_progress->isHidden());
            EXPECT_TRUE(f.strip->audio_status_label->isHidden());
            // No key reaches the recording behind the first look.
            EXPECT_FALSE(f.handle_key(Qt::Key_Delete, false, false, false));
            EXPECT_FALSE(f.handle_practice_key(Qt::Key_Plus));
            if (way == std::string_view("Cancel"))
                f.strip->open_cancel_button->click();
            else if (way == std::string_view("Esc"))
                EXPECT_TRUE(f.handle_practice_key(Qt::Key_Escape));
            else
                other_opened = f.open_recording(other);
        });
        poll.start();
        EXPECT_FALSE(f.open_recording(slow));
        EXPECT_FALSE(f.opening());
        EXPECT_TRUE(f.strip->open_progress->isHidden());
        EXPECT_FALSE(fs::exists(dir.path() / "slow.pkd"));
        EXPECT_EQ(first_looks, 1);
        EXPECT_TRUE(graph->isEnabled());
        EXPECT_FALSE(f.overview->isHidden());
        if (way != std::string_view("another file")) {
            EXPECT_EQ(shown_title(f), QString("PitkaD - open.wav"));
            EXPECT_EQ(f.doc.store.frame_count, 50);
            EXPECT_EQ(f.doc.drawing[5].line_mark(), 2);
        } else {
            EXPECT_TRUE(other_opened);
            EXPECT_EQ(shown_title(f), QString("PitkaD - other.wav"));
        }
    }
}

// The view menu's analysed channel opens the recording again with that
// part analysed, in a cache of its own; the choice is remembered for the
// recording and in force when it opens next, in another window too.
class ChannelMenu : public SettingsFileTest {
  protected:
    TempDir dir;
};

TEST_F(ChannelMenu, AnotherChannelReopensTheRecordingAndIsRemembered) {
    const fs::path file = dir.path() / "left.wav";
    ToneWav left_tone; // 440 Hz on the left, silence on the right
    left_tone.channels = 2;
    write_wav(file, left_tone);
    auto tone_shows = [](MainWindow& f) {
        return f.doc.store.at(20, 36) > f.doc.store.at(20, 60) + 20;
    };
    auto checked = [](MainWindow& f) {
        for (std::size_t i = 0; i < f.menus->analysis_channel_actions.size(); ++i)
            if (f.menus->analysis_channel_actions[i]->isChecked()) return int(i);
        return -1;
    };
    {
        Window w = make_window();
        MainWindow& f = *w.form;
        EXPECT_FALSE(f.menus->analysis_channel_menu->isEnabled());
        ASSERT_TRUE(f.opener().open_chosen_file(qpath(file)));
        EXPECT_TRUE(f.menus->analysis_channel_menu->isEnabled());
        EXPECT_TRUE(tone_shows(f));

        f.menus->analysis_channel_actions[1]->trigger();
        EXPECT_EQ(f.play_state(), PlayState::stopped);
        EXPECT_FALSE(tone_shows(f));
        EXPECT_EQ(checked(f), 1);
        EXPECT_TRUE(fs::exists(dir.path() / "left.ch2.pkd"));
        EXPECT_EQ(SettingsFile(path).analysis_channel_for(qpath(file)), AnalysisChannel::second);
    }
    Window w = make_window();
    MainWindow& f = *w.form;
    ASSERT_TRUE(f.opener().open_chosen_file(qpath(file)));
    EXPECT_FALSE(tone_shows(f));
    EXPECT_EQ(checked(f), 1);

    f.menus->analysis_channel_actions[0]->trigger();
    EXPECT_TRUE(tone_shows(f));
    EXPECT_EQ(SettingsFile(path).analysis_channel_for(qpath(file)), AnalysisChannel::first);
}

// The tuning estimate offers an analysis at the recording's own A4 unless it
// rounds to 440 Hz, which it says.
TEST(ReferenceMenu, AnEstimateOfNoCentsOffersNoAnalysis) {
    const struct {
        double cents;
        const char* says; // the start of the message
    } cases[] = {
        {0.0, "この録音は A4 = 440 Hz に合っています。"},
        {20.0, "この録音は 20 セント高く"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cents);
        TempDir dir;
        // A, C, E and G with six harmonics each, a second apiece.
        std::vector<std::int16_t> samples(44100 * 4);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const int note = std::array{57, 60, 64, 67}[i / 44100];
            const double f0 = 440.0 * std::exp2((note - 69) / 12.0 + c.cents / 1200.0);
            double v = 0;
            for (int h = 1; h <= 6; ++h)
                v += 3000.0 / h * std::sin(2.0 * M_PI * f0 * h * double(i) / 44100.0);
            samples[i] = std::int16_t(v);
        }
        write_file(dir.path() / "tone.wav", mono_wav(samples));
        Window w = make_window();
        MainWindow& f = *w.form;
        ASSERT_TRUE(f.open_recording(qpath(dir.path() / "tone.wav")));
        ModalResponder responder; // the offer, if any, is declined
        for (QAction* a : f.menus->reference_menu->actions())
            if (a->text() == QString::fromUtf8("録音から推定...")) a->trigger();
        ASSERT_EQ(responder.seen.size(), 1u);
        EXPECT_TRUE(responder.seen[0].text.startsWith(QString::fromUtf8(c.says)))
            << responder.seen[0].text.toStdString();
        EXPECT_TRUE(f.opener().analysis_reference().is_standard());
    }
}

} // namespace
} // namespace pitkad::test
