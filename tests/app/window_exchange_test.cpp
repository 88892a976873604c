// The file menu's exports and the MIDI import, answered as a user would.
#include "app/app_texts.h"
#include "app/status_texts.h"
#include "drawing/csv_export.h"
#include "drawing/midi_file.h"
#include "view/chord_lane.h"
#include "window_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>

namespace pitkad::test {
namespace {

QString s(const fs::path& p) {
    return QString::fromStdString(p.string());
}

class WindowExchange : public ::testing::Test {
  protected:
    WindowExchange() : w(make_window()), f(*w.form) {}
    void open() {
        ASSERT_TRUE(f.open_recording(s(small_recording(dir.path()))));
        frames = f.doc.store.frame_count;
    }
    void draw_notes() {
        for (int t = 10; t < 30; ++t)
            f.doc.drawing[t].note_cell(40) = 3;
        for (int t : {0, 25, 50})
            f.doc.drawing[t].line_mark() = 16;
    }
    std::vector<DrawnNote> notes() const { return drawn_notes(f.doc.drawing, frames); }
    // The check menu's item on `key`.
    QAction* check_item(const QKeySequence& key) const {
        for (QAction* a : f.menus->check_menu->actions())
            if (a->shortcut() == key) return a;
        return nullptr;
    }

    TempDir dir;
    Window w;
    MainWindow& f;
    int frames = 0;
};

TEST_F(WindowExchange, ItemsAreEnabledWhileARecordingIsOpen) {
    QAction* items[] = {f.menus->export_midi_action, f.menus->import_midi_action,
                        f.menus->export_image_action, f.menus->export_csv_action};
    for (QAction* a : items)
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    open();
    for (QAction* a : items)
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    EXPECT_EQ(f.menus->export_midi_action->text(), QString("MIDIファイルに書き出す…"));
}

// Suggested chords take a lane under the ruler (the window grows by it) and
// the key at the play position joins the status line; clearing them gives
// both back.
TEST_F(WindowExchange, SuggestedChordsTakeALaneAndTheKeyShows) {
    open();
    const int height = f.height(), graph_top = f.graph_scroll->y();
    f.doc.suggested_chords = {{0, frames, "C:maj"}};
    f.doc.suggested_keys = {{0, frames, "G:maj"}};
    f.write_graph();
    EXPECT_EQ(f.graph_scroll->y(), graph_top + chord_lane_height);
    EXPECT_EQ(f.height(), height + chord_lane_height);
    EXPECT_TRUE(f.status_label->text().endsWith(QString::fromUtf8("調 ト長調")));
    f.menus->clear_harmony_action->trigger();
    EXPECT_EQ(f.graph_scroll->y(), graph_top);
    EXPECT_EQ(f.height(), height);
    EXPECT_FALSE(f.status_label->text().contains(QString::fromUtf8("長調")));
}

TEST_F(WindowExchange, MidiExportWritesTheChosenOptions) {
    open();
    draw_notes();
    const fs::path out = dir.path() / "song.mid";
    ModalResponder responder;
    bool selection_offered = true;
    responder.on_dialog = [&](QDialog* d) {
        selection_offered = d->findChild<QCheckBox*>("SelectedOnly")->isEnabled();
        d->findChild<QRadioButton*>("LinesBars")->setChecked(true);
        d->findChild<QSpinBox*>("BeatsPerBar")->setValue(3);
        d->findChild<QCheckBox*>("Quantise")->setChecked(true);
        d->accept();
    };
    responder.file_to_choose = s(out);
    f.menus->export_midi_action->trigger();
    EXPECT_FALSE(selection_offered); // nothing is selected
    EXPECT_EQ(responder.file_dialogs, 1);
    EXPECT_EQ(read_file(out), build_midi_file(f.doc.drawing, frames, f.doc.channel_settings,
                                              {true, 3, f.tools_window()->quantize_division, {}}));
}

TEST_F(WindowExchange, MidiImportAddsOrReplacesAndMarksTheDrawingChanged) {
    open();
    draw_notes();
    // The file holds one note elsewhere.
    auto other = std::make_unique<DrawData>();
    for (int t = 60; t < 70; ++t)
        (*other)[t].note_cell(50) = 5;
    const fs::path mid = dir.path() / "in.mid";
    write_file(mid, build_midi_file(*other, frames, f.doc.channel_settings, {}));
    const auto mine = notes();

    struct Case {
        const char* choice;
        std::size_t notes;
    };
    for (const Case& c : {Case{"ImportAdd", mine.size() + 1}, Case{"ImportReplace", 1}}) {
        SCOPED_TRACE(c.choice);
        f.doc.drawing.modified = false;
        ModalResponder responder;
        responder.file_to_choose = s(mid);
        responder.on_dialog = [&](QDialog* d) {
            d->findChild<QRadioButton*>(c.choice)->setChecked(true);
            d->accept();
        };
        f.menus->import_midi_action->trigger();
        EXPECT_EQ(notes().size(), c.notes);
        EXPECT_TRUE(f.doc.drawing.modified);
        ASSERT_EQ(responder.seen.size(), 1u);
        EXPECT_TRUE(responder.seen[0].text.startsWith(q(status_texts::midi_read_notes) + "1"))
            << responder.seen[0].text.toStdString();
    }
}

TEST_F(WindowExchange, RefusedOrCancelledImportChangesNothing) {
    open();
    draw_notes();
    f.doc.drawing.modified = false;
    auto bytes_of = [](const DrawData& d) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(d.draw_data.data());
        return std::vector<std::uint8_t>(p, p + d.draw_data.size() * sizeof(draw_frame));
    };
    const auto before = bytes_of(f.doc.drawing);
    const fs::path bad = dir.path() / "bad.mid";
    write_file(bad, {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1});
    const fs::path good = dir.path() / "good.mid";
    write_file(good, build_midi_file(f.doc.drawing, frames, f.doc.channel_settings, {}));
    struct Case {
        fs::path file;
        bool accept;
        bool message;
    };
    for (const Case& c : {Case{bad, true, true}, Case{good, false, false}}) {
        SCOPED_TRACE(c.file.string());
        ModalResponder responder;
        responder.file_to_choose = s(c.file);
        responder.on_dialog = [&](QDialog* d) { c.accept ? d->accept() : d->reject(); };
        f.menus->import_midi_action->trigger();
        EXPECT_FALSE(f.doc.drawing.modified);
        EXPECT_TRUE(bytes_of(f.doc.drawing) == before);
        ASSERT_EQ(responder.seen.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_TRUE(responder.seen[0].text.startsWith(q(status_texts::midi_refused)));
        }
    }
}

TEST_F(WindowExchange, ImageOfTheVisiblePartOrTheWholeRecording) {
    ASSERT_TRUE(f.open_recording(s(small_recording(dir.path(), "long.wav", 30))));
    const QImage& shown = f.graph_view().graph_bitmap;
    struct Case {
        const char* answer;
        QSize size;
    };
    const Case cases[] = {
        {"表示部分", shown.size()},
        {"曲全体", QSize(1500, shown.height())}, // 30 s of 20 ms frames at 1 pixel
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        const fs::path out = dir.path() / (std::string(c.answer) + ".png");
        ModalResponder responder;
        responder.answers = {c.answer};
        responder.file_to_choose = s(out);
        f.menus->export_image_action->trigger();
        const QImage image(s(out));
        EXPECT_EQ(image.size(), c.size);
        if (c.size == shown.size()) {
            EXPECT_EQ(image.convertToFormat(shown.format()), shown);
        }
    }
}

TEST_F(WindowExchange, CsvOfTheAnalysisAndOptionallyTheNotes) {
    open();
    draw_notes();
    const fs::path out = dir.path() / "a.csv";
    ModalResponder responder;
    responder.file_to_choose = s(out);
    responder.answers = {"書き出す"};
    f.menus->export_csv_action->trigger();
    const auto csv = read_file(out);
    EXPECT_EQ(std::string(csv.begin(), csv.end()), analysis_csv(f.doc.store));
    const auto n = read_file(dir.path() / "a_notes.csv");
    EXPECT_EQ(std::string(n.begin(), n.end()), notes_csv(f.doc.drawing, frames));
}

// The suggestions, the key heard and the first check are worked out off the
// UI thread: each command returns at once with a note in the status bar,
// and its result is applied once it comes.
TEST_F(WindowExchange, SuggestionsComeAfterTheCommandReturns) {
    open();
    draw_notes();
    ModalResponder responder; // messages of nothing found, and the key dialog
    bool key_dialog = false;
    responder.on_dialog = [&](QDialog* d) {
        key_dialog = d->findChild<QComboBox*>("Key");
        d->reject();
    };
    auto said = [&](std::size_t before) { return responder.seen.size() > before; };
    const QString checking = QString::fromUtf8("描画を録音と照合しています…");
    const struct {
        QAction* action;
        QString status;
        std::function<bool(std::size_t)> applied; // given the messages seen before
    } cases[] = {
        {f.menus->suggest_beats_action, texts::finding_beats,
         [&](std::size_t n) { return !f.doc.suggested_beats.beats.empty() || said(n); }},
        {f.menus->suggest_harmony_action, texts::finding_harmony,
         [&](std::size_t n) { return !f.doc.suggested_keys.empty() || said(n); }},
        {f.menus->suggest_notes_action, texts::finding_notes,
         [&](std::size_t) { return !f.doc.suggested_notes.notes.empty(); }},
        {f.menus->key_action, texts::finding_key, [&](std::size_t) { return key_dialog; }},
        {f.menus->check_menu->actions().front(), checking,
         [&](std::size_t) {
             return f.statusBar()->currentMessage().contains(QString::fromUtf8("要確認"));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status.toStdString());
        const std::size_t seen = responder.seen.size();
        c.action->trigger();
        EXPECT_EQ(f.statusBar()->currentMessage(), c.status);
        EXPECT_FALSE(c.applied(seen));
        EXPECT_TRUE(QTest::qWaitFor([&] { return c.applied(seen); }, 10000));
    }
}

// A long recording's drawing is checked again on a worker after an edit:
// the outlines stay as they were until the check comes, then follow the
// drawing, edits made meanwhile included.
TEST_F(WindowExchange, ALongRecordingIsCheckedAgainOnAWorker) {
    open();
    draw_notes();
    f.menus->check_menu->actions().front()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.checks().marks().empty(); }, 10000));
    f.checks().recheck_on_worker_from = 0; // as if it were long
    auto expected = [&] {
        std::optional<SpectrogramStore> copy;
        CheckSession s(f.doc.analysed_levels(copy));
        s.update(f.doc.drawing, frames);
        return s.flags().size();
    };
    // With the residual shown, which stays shown meanwhile.
    f.menus->check_menu->actions()[1]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.checks().shown_levels().empty(); }, 10000));
    const auto before = f.checks().marks().size();
    for (int t = 10; t < 30; ++t)
        f.doc.drawing[t].note_cell(41) = 3;
    f.checks().drawing_changed();
    EXPECT_EQ(f.checks().marks().size(), before);
    EXPECT_FALSE(f.checks().shown_levels().empty());
    for (int t = 40; t < 45; ++t) // drawn while the first edit is checked
        f.doc.drawing[t].note_cell(60) = 3;
    f.checks().drawing_changed();
    const auto after = expected();
    ASSERT_NE(after, before);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.checks().marks().size() == after; }, 10000));
    EXPECT_FALSE(f.checks().shown_levels().empty());
}

// With the loudness correction shown, the suggestions still judge the levels
// as analysed: a table that lifts the bands above the tone by 60 dB would
// turn its faint leakage there into notes.
TEST_F(WindowExchange, SuggestionsJudgeTheLevelsAsAnalysed) {
    open();
    f.doc.loudness_available = true;
    for (int b = first_band; b <= last_band; ++b)
        f.doc.loudness_table[std::size_t(b)] = b >= 45 ? 60.0f : 0.0f;
    f.menus->loudness_action->setEnabled(true);
    f.menus->loudness_action->setChecked(true);
    f.menus->loudness_action->trigger(); // off
    f.menus->loudness_action->trigger(); // on
    ASSERT_TRUE(f.doc.corrected);
    std::optional<SpectrogramStore> copy;
    const auto as_analysed = suggest_notes(f.doc.analysed_levels(copy));
    ASSERT_NE(suggest_notes(f.doc.store), as_analysed); // the correction would matter
    f.menus->suggest_notes_action->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.doc.suggested_notes.notes.empty(); }, 10000));
    EXPECT_EQ(f.doc.suggested_notes.notes.size(), as_analysed.size());
}

// Another recording opened while the first one's notes and check are worked
// out: neither shows on the second, whose check follows.
TEST_F(WindowExchange, WorkForARecordingGivenUpIsDropped) {
    open();
    f.menus->suggest_notes_action->trigger();
    f.menus->check_menu->actions().front()->trigger();
    ASSERT_TRUE(f.open_recording(s(small_recording(dir.path(), "other.wav", 3))));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.statusBar()->currentMessage().isEmpty(); }, 10000));
    EXPECT_TRUE(f.doc.suggested_notes.notes.empty());
    EXPECT_EQ(f.doc.store.frame_count, 150);
}

// Another recording opened while the drawing is checked again on a worker
// (as a long recording's is): the old check neither comes back nor keeps
// the new recording's from starting.
TEST_F(WindowExchange, AnotherRecordingIsCheckedAfresh) {
    open();
    draw_notes();
    QAction* const check = f.menus->check_menu->actions().front();
    QAction* const next = check_item(Qt::Key_F8);
    check->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return next->isEnabled(); }, 10000));
    ASSERT_FALSE(f.checks().marks().empty());
    f.checks().recheck_on_worker_from = 0;
    ASSERT_TRUE(f.open_recording(s(small_recording(dir.path(), "other.wav", 3))));
    EXPECT_TRUE(f.checks().marks().empty());
    EXPECT_TRUE(check->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return next->isEnabled(); }, 10000));
    std::optional<SpectrogramStore> copy;
    CheckSession fresh(f.doc.analysed_levels(copy));
    fresh.update(f.doc.drawing, f.doc.store.frame_count);
    EXPECT_EQ(f.checks().marks().size(), fresh.flags().size());
}

// Playing the flags takes the loop over until playing stops, then gives the
// user's loop back.
TEST_F(WindowExchange, PlayingTheFlagsGivesTheLoopBack) {
    open();
    draw_notes();
    f.menus->check_menu->actions().front()->trigger();
    QAction* const play_flags = check_item(Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return play_flags->isEnabled(); }, 10000));
    const LoopMs mine{600, 1600};
    f.practice().set(f.doc.practice, mine);
    play_flags->trigger();
    ASSERT_EQ(f.play_state(), PlayState::playing);
    ASSERT_NE(f.doc.practice_loop, mine);
    f.on_stop();
    EXPECT_EQ(f.doc.practice_loop, mine);
    EXPECT_TRUE(f.player().practice().loop.active());
}

// With the candidates not drawn hidden, only the drawn notes' flags are
// outlined and stepped to; shown again, the candidates come back.
TEST_F(WindowExchange, HiddenCandidatesAreNeitherOutlinedNorSteppedTo) {
    open();
    draw_notes();
    f.menus->check_menu->actions().front()->trigger();
    QAction* const next = check_item(Qt::Key_F8);
    ASSERT_TRUE(QTest::qWaitFor([&] { return next->isEnabled(); }, 10000));
    auto candidates = [&] {
        const auto& marks = f.checks().marks();
        return std::count_if(marks.begin(), marks.end(), [](const auto& m) { return m.dotted; });
    };
    const auto all = f.checks().marks().size();
    const auto listed = candidates();
    ASSERT_GT(listed, 0);
    QAction* hide = nullptr;
    for (QAction* a : f.menus->check_menu->actions())
        if (a->isCheckable() && a->isChecked() && a != f.menus->check_menu->actions().front())
            hide = a;
    ASSERT_NE(hide, nullptr);
    hide->trigger();
    EXPECT_EQ(candidates(), 0);
    EXPECT_EQ(f.checks().marks().size(), all - std::size_t(listed));
    for (std::size_t i = 0; i < all; ++i) {
        next->trigger();
        for (const auto& m : f.checks().marks())
            EXPECT_FALSE(m.thick && m.dotted);
    }
    hide->trigger();
    EXPECT_EQ(candidates(), listed);
    // Hidden while a worker checks again (as after an edit of a long
    // recording): the check that comes back is shown without them.
    f.checks().recheck_on_worker_from = 0;
    f.doc.drawing[40].note_cell(50) = 3;
    f.checks().drawing_changed();
    hide->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return candidates() == 0; }, 10000));
}

// The status bar's word on the flags follows an undo and a redo.
TEST_F(WindowExchange, TheFlagStatusFollowsUndo) {
    open();
    draw_notes();
    f.menus->check_menu->actions().front()->trigger();
    QAction* const next = check_item(Qt::Key_F8);
    ASSERT_TRUE(QTest::qWaitFor([&] { return next->isEnabled(); }, 10000));
    // "要確認 n/flags: …" with the flags as the drawing now has them.
    auto says_flags_now = [&] {
        std::optional<SpectrogramStore> copy;
        CheckSession now(f.doc.analysed_levels(copy));
        now.update(f.doc.drawing, frames);
        return f.statusBar()->currentMessage().contains(QString("/%1:").arg(now.flags().size()));
    };
    next->trigger();
    const QString before = f.statusBar()->currentMessage();
    check_item(Qt::Key_F9)->trigger();
    ASSERT_NE(f.statusBar()->currentMessage(), before);
    EXPECT_TRUE(says_flags_now());
    for (QAction* a : {f.menus->undo_action, f.menus->redo_action}) {
        a->trigger();
        EXPECT_TRUE(says_flags_now()) << a->text().toStdString();
    }
}

} // namespace
} // namespace pitkad::test
