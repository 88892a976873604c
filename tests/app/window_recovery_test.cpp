// Saving the drawing where the user wants, and crash recovery: the recovery
// copy's life, the question at an open with each answer, and the program
// killed while drawing and started again.
#include "app/drawing_texts.h"
#include "app/drawing_tools_window.h"
#include "app/session_messages.h"
#include "base/paths.h"
#include "drawing/draw_file.h"
#include "drawing/recovery_copy.h"
#include "window_test_support.h"

#include <csignal>

namespace pitkad::test {
namespace {

QString s(const fs::path& p) { return QString::fromStdString(p.string()); }

class WindowRecovery : public SettingsFileTest {
  protected:
    void SetUp() override {
        SettingsFileTest::SetUp();
        if (IsSkipped()) return;
        wav = fs::absolute(small_recording(dir.path(), "tone.wav", 2));
        copy = recovery_file_for(wav.string()); // as an earlier version named it
        fs::remove(copy);
    }
    void TearDown() override {
        fs::remove(copy);
        SettingsFileTest::TearDown();
    }
    // A change of the drawing as the editor makes one.
    static void change(MainWindow& f, int frame, std::uint8_t mark) {
        f.doc.drawing[frame].line_mark() = mark;
        f.doc.drawing.modified = true;
    }
    // A recovery copy holding line mark `mark` at frame 5, written `age_s`
    // seconds ago by an earlier version.
    void write_copy(std::uint8_t mark, int age_s) {
        auto d = std::make_unique<DrawData>();
        (*d)[5].line_mark() = mark;
        fs::create_directories(copy.parent_path());
        write_file(copy, build_draw_file(*d, 100, MidiChannelSettings{}));
        fs::last_write_time(copy, fs::file_time_type::clock::now() - std::chrono::seconds(age_s));
    }

    TempDir dir;
    fs::path wav, copy;
};

// "名前を付けて保存" writes where the user chose; the recording opens with
// that file from then on, and the save button writes there, keeping a .bak.
TEST_F(WindowRecovery, SaveAsIsFoundWhenTheRecordingOpensAgain) {
    const fs::path chosen = dir / "elsewhere" / "mine.pkc";
    fs::create_directories(chosen.parent_path());
    {
        Window w = make_window();
        ASSERT_TRUE(w.form->open_recording(s(wav)));
        EXPECT_TRUE(w.form->menus->save_drawing_as_action->isEnabled());
        change(*w.form, 7, 3);
        ModalResponder r;
        r.file_to_choose = s(chosen);
        w.form->on_save_drawing_as();
        EXPECT_EQ(r.file_dialogs, 1);
        EXPECT_FALSE(w.form->doc.drawing.modified);
    }
    EXPECT_TRUE(fs::exists(chosen));
    EXPECT_FALSE(fs::exists(dir / "tone.pkc"));
    EXPECT_EQ(SettingsFile(path).drawing_file_for(s(wav)), s(chosen));

    Window w = make_window();
    ASSERT_TRUE(w.form->open_recording(s(wav)));
    EXPECT_EQ(w.form->doc.drawing[7].line_mark(), 3);
    const auto first = read_file(chosen);
    change(*w.form, 8, 4);
    w.form->tools_window()->on_save_drawing();
    EXPECT_EQ(read_file(backup_file_name(chosen.string())), first);
    EXPECT_FALSE(fs::exists(dir / "tone.pkc"));
}

// The copy is written on the first change after an open or a save, holds
// what the drawing file would, and goes with a save, a discard or an exit.
TEST_F(WindowRecovery, CopyWrittenOnFirstChangeAndRemovedOnSaveDiscardExit) {
    enum class End { save, discard, exit };
    for (End end : {End::save, End::discard, End::exit}) {
        SCOPED_TRACE(int(end));
        Window w = make_window();
        MainWindow& f = *w.form;
        ASSERT_TRUE(f.open_recording(s(wav)));
        const fs::path own = f.recovery_file();
        f.recovery_tick();
        f.recovery_writer().flush();
        EXPECT_FALSE(fs::exists(own)) << "nothing changed yet";
        change(f, 9, 2);
        f.recovery_tick();
        f.recovery_writer().flush();
        ASSERT_TRUE(fs::exists(own));
        EXPECT_EQ(read_file(own), build_draw_file(f.doc.drawing, 100, f.doc.channel_settings));

        ModalResponder r;
        switch (end) {
        case End::save:
            f.tools_window()->on_save_drawing();
            break;
        case End::discard:
            r.answers << q(drawing_texts::unsaved_discard);
            ASSERT_TRUE(f.open_recording(s(small_recording(dir.path(), "other.wav", 1))));
            break;
        case End::exit:
            r.answers << q(drawing_texts::unsaved_discard);
            EXPECT_TRUE(f.close());
            break;
        }
        f.recovery_writer().flush();
        EXPECT_FALSE(fs::exists(own));
        fs::remove(dir / "tone.pkc");
        fs::remove(dir / "tone.pkc.bak");
    }
}

// Opening a recording whose copy is newer than its drawing file asks; each
// answer does what it says (a restored copy lives on as the window's own).
// A drawing file saved after the copy is not asked about.
TEST_F(WindowRecovery, OpenOffersANewerCopy) {
    struct Case {
        std::string_view answer; // empty: a saved file is newer, no question
        int mark_after;          // frame 5's line mark once open
        bool modified, copy_left;
    };
    const Case cases[] = {
        {drawing_texts::recovery_restore, 6, true, false},
        {drawing_texts::recovery_discard, 0, false, false},
        {drawing_texts::recovery_later, 0, false, true},
        {"", 1, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.answer));
        fs::remove(dir / "tone.pkc");
        write_copy(6, 10);
        if (c.answer.empty()) {
            auto d = std::make_unique<DrawData>();
            (*d)[5].line_mark() = 1;
            ASSERT_TRUE(
                save_draw_data((dir / "tone.pkc").string(), *d, 100, MidiChannelSettings{}));
        }
        Window w = make_window();
        ModalResponder r;
        r.answers << q(c.answer);
        ASSERT_TRUE(w.form->open_recording(s(wav)));
        if (c.answer.empty()) {
            EXPECT_TRUE(r.seen.empty());
        } else {
            ASSERT_EQ(r.seen.size(), 1u);
            EXPECT_EQ(r.seen[0].text, q(drawing_texts::recovery_prompt));
        }
        EXPECT_EQ(w.form->doc.drawing[5].line_mark(), c.mark_after);
        EXPECT_EQ(w.form->doc.drawing.modified, c.modified);
        w.form->recovery_writer().flush();
        EXPECT_EQ(fs::exists(copy), c.copy_left);
        EXPECT_EQ(fs::exists(w.form->recovery_file()), c.modified);
        if (c.answer == drawing_texts::recovery_later) {
            // Kept for later: leaving the program keeps it too.
            w.form.reset();
            EXPECT_TRUE(fs::exists(copy));
        }
        fs::remove(copy);
    }
}

// Two windows on one recording: the second is told so at the open, and its
// save onto the file the first saved meanwhile is asked about; reading the
// file again brings the first one's drawing and leaves its file alone.
TEST_F(WindowRecovery, TheSecondWindowIsToldAndItsSaveAsked) {
    Window first = make_window(), second = make_window();
    ASSERT_TRUE(first.form->open_recording(s(wav)));
    ModalResponder r;
    r.answers << QString() << q(drawing_texts::changed_reload);
    ASSERT_TRUE(second.form->open_recording(s(wav)));
    ASSERT_EQ(r.seen.size(), 1u);
    EXPECT_EQ(r.seen[0].text,
              session_message({SessionIssue::recording_open_elsewhere, wav.string(), {}}));
    change(*first.form, 7, 3);
    first.form->tools_window()->on_save_drawing();
    const auto firsts = read_file(dir / "tone.pkc");
    change(*second.form, 8, 4);
    second.form->tools_window()->on_save_drawing();
    ASSERT_EQ(r.seen.size(), 2u);
    EXPECT_EQ(r.seen[1].buttons.size(), 4);
    EXPECT_EQ(read_file(dir / "tone.pkc"), firsts);
    EXPECT_EQ(second.form->doc.drawing[7].line_mark(), 3);
    EXPECT_EQ(second.form->doc.drawing[8].line_mark(), 0);
    EXPECT_FALSE(second.form->doc.drawing.modified);
}

// The program killed while a drawing is unsaved: started again on the same
// recording, it offers the copy, and restoring brings the stroke back.
TEST_F(WindowRecovery, KilledProgramsDrawingIsRestored) {
    QProcess child;
    child.start(QStringLiteral(PITKAD_RECOVERY_CHILD), {s(wav)});
    ASSERT_TRUE(child.waitForStarted(10000));
    ASSERT_TRUE(child.waitForReadyRead(30000));
    EXPECT_EQ(child.readAllStandardOutput().trimmed(), "drawn");
    // The child's own copy, named after its session; not the temporary file
    // it is written to first, which a kill before the rename leaves behind.
    const std::string prefix = path_digest(wav.string()) + "-";
    const auto childs_copy = [&] {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(copy.parent_path(), ec)) {
            const std::string name = e.path().filename().string();
            if (name.starts_with(prefix) && name.find(".tmp-") == std::string::npos) return true;
        }
        return false;
    };
    for (int i = 0; i < 200 && !childs_copy(); ++i)
        QTest::qWait(50);
    ASSERT_TRUE(childs_copy());
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    Window w = make_window();
    ModalResponder r;
    r.answers << q(drawing_texts::recovery_restore);
    ASSERT_TRUE(w.form->open_recording(s(wav)));
    ASSERT_EQ(r.seen.size(), 1u);
    const int colour = w.form->tools_window()->tool_state().colour;
    for (int t = 0; t < 100; ++t)
        EXPECT_EQ(w.form->doc.drawing[t].note_cell(50), t >= 10 && t <= 40 ? colour : 0) << t;
    EXPECT_TRUE(w.form->doc.drawing.modified);
}

} // namespace
} // namespace pitkad::test
