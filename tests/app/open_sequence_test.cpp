// Opening a recording through the main window: success, every refusal with
// its message and the reset state it leaves, the fallback cache, and the
// question about an unsaved drawing before opening another file or closing.
#include "analysis/analysis_cache.h"
#include "app/app_texts.h"
#include "app/drawing_texts.h"
#include "app/status_texts.h"
#include "drawing/draw_file.h"
#include "window_test_support.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <cstdlib>

namespace pitkad::test {
namespace {

// The transport controls all enabled or all disabled.
void expect_transport(MainWindow& f, bool enabled) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{f.strip->play_button, f.strip->stop_button, f.strip->pause_button, f.strip->skip_forward_button,
                                         f.strip->skip_back_button, f.strip->skip_back_short_button, f.strip->position_slider})
        EXPECT_EQ(w->isEnabled(), enabled) << w->objectName().toStdString();
}

void expect_reset_state(MainWindow& f) {
    EXPECT_EQ(shown_title(f), QString("PitkaD"));
    expect_transport(f, false);
    EXPECT_EQ(f.doc.store.frame_count, 1);
    EXPECT_EQ(f.play_state(), PlayState::no_recording);
    EXPECT_EQ(f.strip->time_display->text(), QString("0:00.0 / 0:00.0"));
    EXPECT_EQ(f.strip->position_slider->value(), 0);
    // Nothing of an earlier recording is left in the store.
    EXPECT_EQ(f.doc.store.spectrogram[std::size_t(10 * cells_per_frame + 40)], -100.0f);
}

QString qpath(const fs::path& p) {
    return QString::fromStdString(p.string());
}

class OpenSequence : public ::testing::Test {
  protected:
    TempDir dir;
    Window w = make_window();
    MainWindow& f = *w.form;
};

TEST_F(OpenSequence, DemoOpensReadyToPlay) {
    const fs::path demo = dir.path() / "demo.wav";
    ASSERT_TRUE(fs::exists(data_dir / "demo.wav"));
    fs::copy_file(data_dir / "demo.wav", demo);
    ModalResponder responder;
    ASSERT_TRUE(f.open_recording(qpath(demo)));
    EXPECT_TRUE(responder.seen.empty()) << responder.texts().join("|").toStdString();
    EXPECT_EQ(shown_title(f), QString("PitkaD - demo.wav"));
    expect_transport(f, true);
    EXPECT_TRUE(f.strip->time_display->text().startsWith("0:00.0 / 0:"));
    EXPECT_EQ(f.play_state(), PlayState::stopped);
    EXPECT_EQ(f.focusWidget(), f.strip->play_button);
    EXPECT_GT(f.doc.store.frame_count, 100);
    // The analysis was cached beside the copy, and the loudest cell is 0 dB.
    EXPECT_TRUE(fs::exists(dir.path() / "demo.pkd"));
    float peak = -1000;
    for (int t = 0; t < f.doc.store.frame_count; ++t)
        for (int b = 2; b <= 75; ++b)
            peak = std::max(peak, f.doc.store.spectrogram[std::size_t(t * cells_per_frame + b)]);
    EXPECT_LE(peak, 0.0f);
    EXPECT_GT(peak, -30.0f);
}

// Each refusal shows one message box, titled "PitkaD", with the file's name
// above its message, and changes nothing: the open recording, its unsaved
// drawing and the view stay as they were, and nobody is asked about the
// drawing.
TEST_F(OpenSequence, RefusalsShowTheirMessageAndKeepTheOpenRecording) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        const char* message;
    };
    auto tone_file = [](auto change) {
        return [change](const fs::path& p) {
            ToneWav s;
            s.frames = 4410;
            change(s);
            write_wav(p, s);
        };
    };
    const Case cases[] = {
        {"missing", [](const fs::path&) {}, status_texts::cannot_open},
        {"not RIFF", tone_file([](ToneWav& s) { s.riff = "RIFX"; }), status_texts::unsupported},
        {"no recording at all",
         [](const fs::path& p) { std::ofstream(p, std::ios::binary) << "plain text, not sound"; },
         status_texts::unsupported},
        {"no channels", tone_file([](ToneWav& s) { s.channels = 0; }), status_texts::unsupported},
        // A chunk identifier that is not text (the reader skips unknown
        // chunks with printable names).
        {"garbage chunk", tone_file([](ToneWav& s) { s.chunk_before_data = "\x01\x02\x03\x04"; }),
         status_texts::bad_header},
        {"no data chunk",
         [&](const fs::path& p) {
             tone_file([](ToneWav&) {})(p);
             fs::resize_file(p, 36);
         },
         status_texts::bad_header},
        // 720000 frames (4 hours) of 20 ms at 22050 Hz mono, in a sparse file;
        // refused from the header before any sample is read.
        {"too large",
         [](const fs::path& p) {
             ToneWav s;
             s.rate = 22050;
             s.frames = 0;
             s.data_size = std::int64_t(recording_frame_limit) * 882;
             write_wav(p, s);
             fs::resize_file(p, 44 + std::uintmax_t(s.data_size));
         },
         status_texts::too_large},
        {"empty file", [](const fs::path& p) { std::ofstream(p, std::ios::binary); },
         status_texts::unsupported},
    };
    const fs::path good = small_recording(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        f.doc.drawing.modified = false;
        ASSERT_TRUE(f.open_recording(qpath(good)));
        ASSERT_EQ(f.play_state(), PlayState::stopped);
        f.doc.drawing[7].line_mark() = 2;
        f.doc.drawing.modified = true;
        f.doc.view.first_frame = 30;
        const std::vector<float> levels = f.doc.store.spectrogram;
        const fs::path bad =
            dir.path() / (std::string("bad_") + std::to_string(&c - cases) + ".wav");
        c.make(bad);
        ModalResponder responder;
        EXPECT_FALSE(f.open_recording(qpath(bad)));
        ASSERT_EQ(responder.seen.size(), 1u);
        // The file's name, then the text with the reason a decoder gives after it.
        EXPECT_TRUE(responder.seen[0].text.startsWith(qpath(bad.filename()) + '\n' + c.message))
            << responder.seen[0].text.toStdString();
        EXPECT_EQ(responder.seen[0].title, QString("PitkaD"));
        EXPECT_EQ(shown_title(f), QString("PitkaD - tone.wav"));
        EXPECT_EQ(f.play_state(), PlayState::stopped);
        expect_transport(f, true);
        EXPECT_TRUE(f.strip->time_display->text().startsWith("0:00.0 / 0:"));
        EXPECT_EQ(f.doc.store.spectrogram, levels);
        EXPECT_EQ(f.doc.drawing[7].line_mark(), 2);
        EXPECT_TRUE(f.doc.drawing.modified);
        EXPECT_EQ(f.doc.view.first_frame, 30);
        EXPECT_FALSE(fs::exists(cache_name_for(bad)));
    }
    f.doc.drawing.modified = false;
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// A folder that refuses the cache file still opens: the analysis goes to
// the per-user fallback file, which closing the window deletes.
TEST_F(OpenSequence, UnwritableFolderUsesTheFallbackCache) {
    struct Case {
        const char* name;
        bool needs_permissions; // root writes into a read-only folder anyway
        std::function<void(const fs::path& folder, const fs::path& wav)> spoil;
    };
    const Case cases[] = {
        {"read-only folder", true,
         [](const fs::path& folder, const fs::path&) {
             fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
         }},
        {"cache name taken by a folder", false,
         [](const fs::path&, const fs::path& wav) { fs::create_directory(cache_name_for(wav)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needs_permissions && ::geteuid() == 0) continue;
        const fs::path folder = dir.path() / (std::string("rec_") + std::to_string(&c - cases));
        const fs::path cache_home =
            dir.path() / (std::string("cache_") + std::to_string(&c - cases));
        fs::create_directories(folder);
        const fs::path wav = small_recording(folder);
        c.spoil(folder, wav);
        ScopedEnv env("XDG_CACHE_HOME", cache_home.string());
        const fs::path fallback =
            cache_home / "PitkaD" / ("PitkaD-" + std::to_string(::getpid()) + ".tmp");

        Window local = make_window();
        ModalResponder responder;
        ASSERT_TRUE(local.form->open_recording(qpath(wav)));
        EXPECT_TRUE(responder.seen.empty());
        EXPECT_EQ(shown_title(*local.form), QString("PitkaD - tone.wav"));
        EXPECT_EQ(local.form->play_state(), PlayState::stopped);
        EXPECT_EQ(local.form->doc.store.frame_count, 100);
        EXPECT_TRUE(fs::is_regular_file(fallback));
        EXPECT_EQ(local.form->doc.store.cache_file_name, fallback.string());
        local.form->show();
        EXPECT_TRUE(local.form->close());
        EXPECT_FALSE(fs::exists(fallback));
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
    }
}

// Neither beside the recording nor in the fallback place: the analysis
// is abandoned with its message and the reset state.
TEST_F(OpenSequence, NoCacheAnywhereAbandonsTheOpen) {
    const fs::path wav = small_recording(dir.path());
    fs::create_directory(cache_name_for(wav));
    // The per-user folder cannot be made: a file stands in its place.
    const fs::path cache_home = dir.path() / "cache_home";
    fs::create_directories(cache_home);
    std::ofstream(cache_home / "PitkaD") << "x";
    ScopedEnv env("XDG_CACHE_HOME", cache_home.string());

    ModalResponder responder;
    EXPECT_FALSE(f.open_recording(qpath(wav)));
    ASSERT_EQ(responder.seen.size(), 1u);
    EXPECT_EQ(responder.seen[0].text, QString("tone.wav\n") + status_texts::cache_not_saved);
    expect_reset_state(f); // nothing was open
}

// The menu command: the file dialog (audio files shown first), then the open
// sequence; cancelling the dialog changes nothing.
TEST_F(OpenSequence, OpenCommandGoesThroughTheFileDialog) {
    const fs::path wav = small_recording(dir.path());
    {
        ModalResponder responder; // no file: the dialog is cancelled
        f.on_open();
        EXPECT_EQ(responder.file_dialogs, 1);
        EXPECT_EQ(responder.name_filters,
                  (QStringList{texts::open_filter_audio, texts::open_filter_wav,
                               texts::open_filter_all}));
        expect_reset_state(f);
        EXPECT_TRUE(f.opener().last_open_path.isEmpty());
    }
    ModalResponder responder;
    responder.file_to_choose = qpath(wav);
    f.on_open();
    EXPECT_EQ(responder.file_dialogs, 1);
    EXPECT_EQ(shown_title(f), QString("PitkaD - tone.wav"));
    EXPECT_EQ(f.play_state(), PlayState::stopped);
    EXPECT_EQ(f.opener().open_dialog_dir, qpath(dir.path()));
}

// A drawing changed since it was loaded or saved is not dropped without a
// word: closing asks, and the answer decides.
TEST_F(OpenSequence, ClosingWithAnUnsavedDrawingAsks) {
    struct Case {
        const char* answer;
        bool stays_open;
        bool file_written;
    };
    const Case cases[] = {
        {"キャンセル", true, false},
        {"保存しない", false, false},
        {"保存する", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        TempDir folder;
        const fs::path sub = folder.path() / std::to_string(&c - cases);
        fs::create_directories(sub);
        const fs::path wav = small_recording(sub);
        Window local = make_window();
        MainWindow& g = *local.form;
        g.show();
        ASSERT_TRUE(g.open_recording(qpath(wav)));
        g.doc.drawing[20].note_cell(40) = 3;
        g.doc.drawing.modified = true;

        ModalResponder responder;
        responder.answers << c.answer;
        const bool closed = g.close();
        ASSERT_EQ(responder.seen.size(), 1u);
        EXPECT_EQ(responder.seen[0].text, q(drawing_texts::unsaved_prompt));
        QStringList buttons = responder.seen[0].buttons;
        buttons.sort();
        QStringList expected{"保存する", "保存しない", "キャンセル"};
        expected.sort();
        EXPECT_EQ(buttons, expected);
        EXPECT_EQ(closed, !c.stays_open);
        EXPECT_EQ(g.isVisible(), c.stays_open);
        EXPECT_EQ(g.play_state(), c.stays_open ? PlayState::stopped : PlayState::no_recording);
        EXPECT_EQ(fs::exists(sub / "tone.pkc"), c.file_written);
        if (c.stays_open) {
            g.doc.drawing.modified = false; // let the window go quietly
            EXPECT_TRUE(g.close());
        }
    }
}

TEST_F(OpenSequence, ClosingWithoutChangesAsksNothing) {
    const fs::path wav = small_recording(dir.path());
    f.show();
    ASSERT_TRUE(f.open_recording(qpath(wav)));
    ModalResponder responder;
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(responder.seen.empty());
}

// Opening another recording over a changed drawing asks the same question.
TEST_F(OpenSequence, OpeningAnotherRecordingOverAnUnsavedDrawingAsks) {
    const fs::path first = small_recording(dir.path(), "first.wav");
    const fs::path second = small_recording(dir.path(), "second.wav", 1);
    struct Case {
        const char* answer;
        const char* caption;
        int mark_after; // line mark of frame 5 afterwards
        bool saved;
    };
    const Case cases[] = {
        {"キャンセル", "PitkaD - first.wav", 2, false},
        {"保存しない", "PitkaD - second.wav", 0, false},
        {"保存する", "PitkaD - second.wav", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        fs::remove(dir.path() / "first.pkc");
        f.doc.drawing.modified = false; // a cancelled round left its change
        ASSERT_TRUE(f.open_recording(qpath(first)));
        f.doc.drawing[5].line_mark() = 2;
        f.doc.drawing.modified = true;
        ModalResponder responder;
        responder.file_to_choose = qpath(second);
        responder.answers << c.answer;
        f.on_open();
        ASSERT_EQ(responder.seen.size(), 1u);
        EXPECT_EQ(responder.seen[0].text, q(drawing_texts::unsaved_prompt));
        EXPECT_EQ(shown_title(f), QString(c.caption));
        EXPECT_EQ(f.doc.drawing[5].line_mark(), c.mark_after);
        EXPECT_EQ(fs::exists(dir.path() / "first.pkc"), c.saved);
    }
    // The saved drawing comes back with its recording.
    ASSERT_TRUE(f.open_recording(qpath(first)));
    EXPECT_EQ(f.doc.drawing[5].line_mark(), 2);
}

// Saving the drawing on the way out is refused: a folder stands at the
// drawing file's name. The reason is shown with the offer to save under
// another name; declined, the window stays open with the drawing.
TEST_F(OpenSequence, FailedSaveOnCloseKeepsTheWindowOpen) {
    const fs::path wav = small_recording(dir.path());
    f.show();
    ASSERT_TRUE(f.open_recording(qpath(wav)));
    fs::create_directory(dir.path() / "tone.pkc"); // the drawing file cannot be written
    f.doc.drawing[5].line_mark() = 2;
    f.doc.drawing.modified = true;
    ModalResponder responder;
    responder.answers << "保存する"; // the offer then is declined (Esc)
    f.menus->exit_action->trigger();
    ASSERT_EQ(responder.seen.size(), 2u);
    EXPECT_TRUE(responder.seen[1].text.startsWith(qpath(dir.path() / "tone.pkc") +
                                                  q(status_texts::cannot_write)))
        << responder.seen[1].text.toStdString();
    EXPECT_TRUE(responder.seen[1].buttons.contains(q(drawing_texts::save_as)));
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.play_state(), PlayState::stopped);
    EXPECT_EQ(f.doc.drawing[5].line_mark(), 2);
    f.doc.drawing.modified = false;
}

// The drawing file beside the recording comes back with it.
TEST_F(OpenSequence, DrawingFileIsLoadedWithTheRecording) {
    const fs::path wav = small_recording(dir.path());
    ASSERT_TRUE(f.open_recording(qpath(wav)));
    f.doc.drawing[30].note_cell(50) = 7;
    f.doc.drawing[60].line_mark() = 2;
    f.doc.drawing.modified = true;
    ASSERT_TRUE(f.session().save());
    ASSERT_TRUE(fs::exists(dir.path() / "tone.pkc"));
    ASSERT_TRUE(f.open_recording(qpath(wav)));
    EXPECT_EQ(f.doc.drawing[30].note_cell(50), 7);
    EXPECT_EQ(f.doc.drawing[60].line_mark(), 2);
    EXPECT_FALSE(f.doc.drawing.modified);
}

} // namespace
} // namespace pitkad::test
