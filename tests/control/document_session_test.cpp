// The life of an open document without a window: the drawing file read at an
// open, saved, saved under another name, a file that could not be read
// kept rather than replaced, and two windows on one recording.

#include "control/document_session.h"
#include "drawing/draw_file.h"
#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace pitkad {
namespace {

namespace fs = std::filesystem;

struct FakeHost : SessionHost {
    UnsavedAnswer ask_unsaved() override {
        ++unsaved_questions;
        return unsaved;
    }
    RecoveryAnswer ask_restore() override {
        ++restore_questions;
        return restore;
    }
    void tell(const SessionNotice& n) override { notices.push_back(n); }
    ChangedAnswer ask_changed_on_disk(const std::string& file) override {
        changed_questions.push_back(file);
        return changed;
    }
    bool told(SessionIssue issue) const {
        return std::any_of(notices.begin(), notices.end(),
                           [&](const SessionNotice& n) { return n.issue == issue; });
    }
    std::string choose_other_drawing_file(const SessionNotice& why) override {
        notices.push_back(why);
        return other_file;
    }
    void drawing_saved() override { ++saves; }
    UnsavedAnswer unsaved = UnsavedAnswer::cancel;
    RecoveryAnswer restore = RecoveryAnswer::later;
    ChangedAnswer changed = ChangedAnswer::cancel;
    int restore_questions = 0;
    std::vector<std::string> changed_questions;
    std::string other_file; // the answer to a refused save; empty: cancelled
    int unsaved_questions = 0, saves = 0;
    std::vector<SessionNotice> notices;
};

struct FakeMemory : DrawingFileMemory {
    std::string drawing_file_for(const std::string& r) override { return files[r]; }
    bool remember(const std::string& r, const std::string& d) override {
        files[r] = d;
        return true;
    }
    std::map<std::string, std::string> files;
};

constexpr int frames = 300;

struct Rig {
    Rig() = default;
    // Another window (process) on the first one's recording, with the same
    // cache folder.
    struct Beside {
        const Rig& first;
    };
    explicit Rig(Beside b)
        : recording(b.first.recording), drawing_file(b.first.drawing_file), cache(b.first.cache) {}

    test::TempDir dir;
    fs::path recording = dir.path() / "song.wav";
    std::string drawing_file = (dir.path() / "song.pkc").string();
    fs::path cache = dir.path() / "cache";
    std::unique_ptr<Document> doc = std::make_unique<Document>();
    FakeHost host;
    FakeMemory memory;
    RecoverySession recovery{cache};
    DocumentSession session{*doc, host, recovery, &memory};

    void open() {
        SpectrogramStore staged;
        staged.frame_count = frames;
        session.adopt(recording, std::move(staged));
    }
    // A drawing file with one note at frame 10, saved by another document.
    void write_drawing(int frame_count = frames) {
        auto other = std::make_unique<Document>();
        other->drawing[10].note_cell(20) = 3;
        ASSERT_TRUE(
            save_draw_data(drawing_file, other->drawing, frame_count, other->channel_settings));
        fs::remove(drawing_file + ".bak");
    }
};

TEST(DocumentSession, OpensTheDrawingBesideTheRecordingOrTheRememberedOne) {
    Rig rig;
    rig.open();
    EXPECT_EQ(rig.session.drawing_file(), rig.drawing_file);
    EXPECT_TRUE(rig.host.notices.empty()); // none yet: not an error
    EXPECT_EQ(rig.doc->drawing[10].note_cell(20), 0);

    rig.write_drawing();
    rig.open();
    EXPECT_EQ(rig.doc->drawing[10].note_cell(20), 3);
    EXPECT_FALSE(rig.session.modified());

    // Saved elsewhere: that file is the drawing from then on.
    const std::string elsewhere = (rig.dir.path() / "take2.pkc").string();
    rig.doc->drawing[11].note_cell(21) = 4;
    rig.doc->drawing.modified = true;
    ASSERT_TRUE(rig.session.save_as(elsewhere));
    EXPECT_EQ(rig.memory.files[rig.session.recording()], elsewhere);
    rig.open();
    EXPECT_EQ(rig.session.drawing_file(), elsewhere);
    EXPECT_EQ(rig.doc->drawing[11].note_cell(21), 4);
}

TEST(DocumentSession, UnsavedChangesAreSavedDiscardedOrKept) {
    struct Case {
        UnsavedAnswer answer;
        bool writable;
        bool goes_on;
        bool saved;
    };
    for (const Case c : {Case{UnsavedAnswer::save, true, true, true},
                         Case{UnsavedAnswer::save, false, false, false},
                         Case{UnsavedAnswer::discard, true, true, false},
                         Case{UnsavedAnswer::cancel, true, false, false}}) {
        Rig rig;
        rig.open();
        EXPECT_TRUE(rig.session.settle_unsaved()); // nothing changed: no question
        rig.doc->drawing.modified = true;
        if (!c.writable) {
            const std::string missing = (rig.dir.path() / "gone" / "song.pkc").string();
            rig.memory.files[rig.session.recording()] = missing;
            rig.open();
            rig.doc->drawing.modified = true;
        }
        rig.host.unsaved = c.answer;
        EXPECT_EQ(rig.session.settle_unsaved(), c.goes_on);
        EXPECT_EQ(rig.host.unsaved_questions, 1);
        EXPECT_EQ(rig.host.saves, c.saved ? 1 : 0);
        EXPECT_EQ(fs::exists(rig.session.drawing_file()), c.saved);
        EXPECT_EQ(rig.session.modified(), !c.saved);
        if (!c.writable) {
            ASSERT_EQ(rig.host.notices.size(), 1u);
            EXPECT_EQ(rig.host.notices[0].issue, SessionIssue::drawing_not_written);
        }
    }
}

// A drawing file that cannot be read is named, the recording opens with an
// empty drawing, and the first save keeps the file beside the new one.
TEST(DocumentSession, AnUnreadableDrawingFileIsToldAndKept) {
    struct Case {
        const char* name;
        void (*make)(Rig&);
    };
    const Case cases[] = {
        {"garbage",
         [](Rig& r) {
             test::write_file(r.drawing_file, {1, 2, 3});
         }},
        {"link loop", [](Rig& r) { fs::create_symlink("song.pkc", r.drawing_file); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        c.make(rig);
        rig.open();
        ASSERT_EQ(rig.host.notices.size(), 1u);
        EXPECT_EQ(rig.host.notices[0].issue, SessionIssue::drawing_unreadable);
        EXPECT_EQ(rig.host.notices[0].path, rig.drawing_file);
        EXPECT_TRUE(rig.session.is_open());

        rig.doc->drawing[5].note_cell(5) = 1;
        rig.doc->drawing.modified = true;
        ASSERT_TRUE(rig.session.save());
        ASSERT_EQ(rig.host.notices.size(), 2u);
        EXPECT_EQ(rig.host.notices[1].issue, SessionIssue::drawing_kept);
        const std::string kept = rig.drawing_file + ".kept";
        EXPECT_EQ(rig.host.notices[1].path, kept);
        EXPECT_NE(fs::symlink_status(kept).type(), fs::file_type::not_found);
        // Later saves replace the new file as usual.
        rig.doc->drawing.modified = true;
        ASSERT_TRUE(rig.session.save());
        EXPECT_EQ(rig.host.notices.size(), 2u);
    }
}

// A link or a pipe at the drawing file's name is never written through: the
// save is refused with its reason and the drawing goes where the user then
// chooses, remembered as after "save as"; or nowhere, and stays unsaved.
TEST(DocumentSession, ASaveToANameThatIsNoFileGoesElsewhere) {
    struct Case {
        const char* name;
        bool link; // else a pipe
        const char* other_file;
    };
    for (const Case c :
         {Case{"link, saved elsewhere", true, "take2.pkc"}, Case{"pipe, cancelled", false, ""}}) {
        SCOPED_TRACE(c.name);
        Rig rig;
        const fs::path user_file = rig.dir / "notes.txt";
        test::write_file(user_file, {1, 2, 3});
        if (c.link) {
            rig.write_drawing(); // where the link leads: it opens from there
            fs::rename(rig.drawing_file, user_file);
            fs::create_symlink(user_file, rig.drawing_file);
        } else {
            ASSERT_EQ(::mkfifo(rig.drawing_file.c_str(), 0600), 0);
        }
        rig.open();
        rig.host.notices.clear();
        const auto user_bytes = test::read_file(user_file);
        const std::string other =
            *c.other_file ? (rig.dir.path() / c.other_file).string() : std::string();
        rig.host.other_file = other;
        rig.doc->drawing[5].note_cell(5) = 1;
        rig.doc->drawing.modified = true;
        rig.host.unsaved = UnsavedAnswer::save;

        EXPECT_EQ(rig.session.settle_unsaved(), !other.empty());
        ASSERT_GE(rig.host.notices.size(), 1u);
        EXPECT_EQ(rig.host.notices[0].issue, SessionIssue::drawing_not_a_file);
        EXPECT_EQ(rig.host.notices[0].path, rig.drawing_file);
        EXPECT_EQ(test::read_file(user_file), user_bytes);
        EXPECT_FALSE(fs::exists(rig.drawing_file + ".bak"));
        EXPECT_EQ(rig.session.modified(), other.empty());
        EXPECT_EQ(rig.session.drawing_file(), other.empty() ? rig.drawing_file : other);
        EXPECT_EQ(rig.memory.files[rig.session.recording()], other);
        if (!other.empty()) {
            EXPECT_EQ(read_draw_file(other, frames).image.body[5 * draw_record_size + 5], 1);
        }
    }
}

// A drawing made for another frame count (the same song decoded from another
// format) opens fitted to the recording; one that was cut is kept aside
// before a save replaces it.
TEST(DocumentSession, ADrawingOfAnotherLengthOpensFittedAndIsTold) {
    for (const int file_frames : {frames + 2, frames - 2}) {
        SCOPED_TRACE(file_frames);
        Rig rig;
        rig.write_drawing(file_frames);
        rig.open();
        EXPECT_EQ(rig.doc->drawing[10].note_cell(20), 3);
        ASSERT_EQ(rig.host.notices.size(), 1u);
        EXPECT_EQ(rig.host.notices[0].issue, SessionIssue::drawing_resized);
        EXPECT_EQ(rig.host.notices[0].read.file_frames, file_frames);
        rig.doc->drawing.modified = true;
        ASSERT_TRUE(rig.session.save());
        const bool cut = file_frames > frames;
        EXPECT_EQ(rig.host.notices.size(), cut ? 2u : 1u);
        EXPECT_EQ(fs::exists(rig.drawing_file + ".kept"), cut);
    }
}

// A recovery copy that cannot be written is told once, and again only after
// one was written and another failed.
TEST(DocumentSession, ARecoveryCopyThatCannotBeWrittenIsToldOnce) {
    Rig r;
    r.open();
    const fs::path folder = r.session.recovery_file().parent_path();
    fs::remove_all(folder);
    test::write_file(folder, {}); // a file where the folder would go
    auto change_and_tick = [&](int n) {
        r.doc->drawing[n].note_cell(20) = 1;
        r.doc->drawing.modified = true;
        r.session.recovery_tick(std::chrono::steady_clock::now() + std::chrono::hours(n));
        r.session.recovery_writer().flush();
    };
    auto told = [&] {
        return std::count_if(r.host.notices.begin(), r.host.notices.end(), [](const auto& n) {
            return n.issue == SessionIssue::recovery_not_written;
        });
    };
    for (int n = 1; n <= 3; ++n)
        change_and_tick(n);
    EXPECT_EQ(told(), 1);
    fs::remove(folder);
    change_and_tick(4);
    change_and_tick(5);
    EXPECT_TRUE(fs::exists(r.session.recovery_file()));
    fs::remove_all(folder);
    test::write_file(folder, {});
    change_and_tick(6);
    change_and_tick(7);
    EXPECT_EQ(told(), 2);
}

TEST(DocumentSession, TheLoadCommandAsksFirstAndTellsAMissingFile) {
    Rig rig;
    rig.open();
    EXPECT_FALSE(rig.session.reload());
    ASSERT_EQ(rig.host.notices.size(), 1u);
    EXPECT_EQ(rig.host.notices[0].issue, SessionIssue::drawing_not_found);

    rig.write_drawing();
    rig.doc->drawing[7].line_mark() = 5;
    rig.doc->drawing.modified = true;
    rig.host.unsaved = UnsavedAnswer::cancel;
    EXPECT_FALSE(rig.session.reload());
    EXPECT_EQ(rig.doc->drawing[7].line_mark(), 5);
    rig.host.unsaved = UnsavedAnswer::discard;
    EXPECT_TRUE(rig.session.reload());
    EXPECT_EQ(rig.doc->drawing[7].line_mark(), 0);
    EXPECT_EQ(rig.doc->drawing[10].note_cell(20), 3);
    EXPECT_FALSE(rig.doc->history.can_undo());
}

// Analysing the open recording again (another channel or reference pitch)
// replaces its levels only: the unsaved drawing and its undo stay, nothing
// is asked. Another recording, or an analysis too short for what is drawn
// (a hypothetically long recording), is left to a full open.
TEST(DocumentSession, AnalysingAgainKeepsTheDrawingAndItsUndo) {
    Rig rig;
    rig.open();
    record_step(&rig.doc->history, rig.doc->drawing, rig.doc->channel_settings,
                [&] { rig.doc->drawing[7].line_mark() = 5; });
    const auto again = [&](const fs::path& file, int frame_count, AnalysisReference reference) {
        SpectrogramStore staged;
        staged.frame_count = frame_count;
        staged.reference = reference;
        return rig.session.take_reanalysis(file, staged);
    };
    const auto sharp = *AnalysisReference::from_hz(446.0);
    EXPECT_FALSE(again(rig.dir.path() / "other.wav", frames, sharp));
    EXPECT_TRUE(again(rig.recording, frames + 1, sharp));
    EXPECT_EQ(rig.doc->store.reference, sharp);
    EXPECT_EQ(rig.doc->store.frame_count, frames + 1);
    EXPECT_EQ(rig.doc->drawing[7].line_mark(), 5);
    EXPECT_TRUE(rig.doc->drawing.modified);
    EXPECT_TRUE(rig.doc->history.can_undo());
    EXPECT_EQ(rig.host.unsaved_questions, 0);

    rig.doc->drawing.fit(draw_frames + 10);
    rig.doc->drawing[draw_frames + 5].line_mark() = 2;
    EXPECT_FALSE(again(rig.recording, draw_frames, {}));
    EXPECT_EQ(rig.doc->store.reference, sharp);
    EXPECT_TRUE(again(rig.recording, draw_frames + 5, {}));
}

void draw(Rig& r, int frame, std::uint8_t colour) {
    r.doc->drawing[frame].note_cell(30) = colour;
    r.doc->drawing.modified = true;
    r.session.recovery_tick(std::chrono::steady_clock::now() + std::chrono::hours(frame));
    r.session.recovery_writer().flush();
}

// Two windows on one recording: each is told about the other when it opens
// second, writes and removes only its own recovery copy, and is asked before
// its save replaces the other's. A window that ended without closing (a
// crash) leaves its copy to the next open; a running window's is never offered.
TEST(DocumentSession, TwoWindowsOnOneRecordingKeepEachOthersWork) {
    Rig a;
    auto b = std::make_unique<Rig>(Rig::Beside{a});
    a.open();
    b->open();
    EXPECT_FALSE(a.host.told(SessionIssue::recording_open_elsewhere));
    EXPECT_TRUE(b->host.told(SessionIssue::recording_open_elsewhere));
    draw(a, 10, 1);
    draw(*b, 11, 2);
    const fs::path a_copy = a.session.recovery_file(), b_copy = b->session.recovery_file();
    EXPECT_NE(a_copy, b_copy);
    EXPECT_TRUE(fs::exists(a_copy) && fs::exists(b_copy));

    ASSERT_TRUE(a.session.save());
    a.session.recovery_writer().flush();
    EXPECT_FALSE(fs::exists(a_copy));
    EXPECT_TRUE(fs::exists(b_copy));
    // The file was absent when b read it; a's save is not replaced unasked.
    EXPECT_FALSE(b->session.save());
    EXPECT_EQ(b->host.changed_questions, std::vector{a.drawing_file});
    EXPECT_EQ(read_draw_file(a.drawing_file, frames).image.body[10 * draw_record_size + 30], 1);

    b.reset(); // ends without close(): its copy stays, its lock goes
    EXPECT_TRUE(fs::exists(b_copy));
    draw(a, 12, 3); // a running window's copy, newer than b's
    fs::last_write_time(a.drawing_file, fs::last_write_time(b_copy) - std::chrono::seconds(5));
    Rig c(Rig::Beside{a});
    c.host.restore = RecoveryAnswer::restore;
    c.open();
    EXPECT_EQ(c.host.restore_questions, 1);
    EXPECT_EQ(c.doc->drawing[11].note_cell(30), 2);
    EXPECT_EQ(c.doc->drawing[12].note_cell(30), 0);
    c.session.recovery_writer().flush();
    EXPECT_FALSE(fs::exists(b_copy));
    EXPECT_TRUE(fs::exists(a.session.recovery_file()));
    EXPECT_TRUE(fs::exists(c.session.recovery_file()));

    // Once a has closed, the recording is open nowhere else.
    a.session.close();
    EXPECT_TRUE(fs::exists(c.session.recovery_file()));
    c.host.notices.clear();
    c.host.restore_questions = 0;
    c.open();
    EXPECT_FALSE(c.host.told(SessionIssue::recording_open_elsewhere));
    EXPECT_EQ(c.host.restore_questions, 0);

    // A window that opened second still counts once the first has closed.
    Rig e(Rig::Beside{a});
    e.open();
    EXPECT_TRUE(e.host.told(SessionIssue::recording_open_elsewhere));
    c.session.close();
    Rig d(Rig::Beside{a});
    d.open();
    EXPECT_TRUE(d.host.told(SessionIssue::recording_open_elsewhere));
}

// A drawing file changed by another program between the read and a save:
// the host is asked and each answer does what it says. A file only touched
// is not a change; nor is the window's own save, so the next one is not asked.
TEST(DocumentSession, ADrawingFileChangedOnDiskIsAskedAboutBeforeASave) {
    struct Case {
        const char* what;
        bool content_changed;
        ChangedAnswer answer;
        bool asked, saved;
        int file_holds;   // the note colour at frame 12 in the drawing file
        int drawing_holds; // the same in the drawing afterwards
    };
    // The window drew colour 5, the other program wrote 7.
    const Case cases[] = {
        {"overwrite", true, ChangedAnswer::overwrite, true, true, 5, 5},
        {"save as", true, ChangedAnswer::save_as, true, true, 7, 5},
        {"reload", true, ChangedAnswer::reload, true, false, 7, 7},
        {"cancel", true, ChangedAnswer::cancel, true, false, 7, 5},
        {"touched", false, ChangedAnswer::cancel, false, true, 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.write_drawing();
        rig.open();
        rig.doc->drawing[12].note_cell(30) = 5;
        rig.doc->drawing.modified = true;
        if (c.content_changed) {
            auto other = std::make_unique<Document>();
            other->drawing[12].note_cell(30) = 7;
            ASSERT_TRUE(save_draw_data(rig.drawing_file, other->drawing, frames,
                                       other->channel_settings));
        } else {
            fs::last_write_time(rig.drawing_file,
                                fs::last_write_time(rig.drawing_file) + std::chrono::seconds(3));
        }
        const std::string take2 = (rig.dir.path() / "take2.pkc").string();
        rig.host.other_file = take2;
        rig.host.changed = c.answer;
        EXPECT_EQ(rig.session.save(), c.saved);
        EXPECT_EQ(rig.host.changed_questions.size(), c.asked ? 1u : 0u);
        const auto colour_in = [](const std::string& file) {
            return int(read_draw_file(file, frames).image.body[12 * draw_record_size + 30]);
        };
        EXPECT_EQ(colour_in(rig.drawing_file), c.file_holds);
        EXPECT_EQ(rig.doc->drawing[12].note_cell(30), c.drawing_holds);
        EXPECT_EQ(rig.session.modified(), !c.saved && c.answer != ChangedAnswer::reload);
        if (c.answer == ChangedAnswer::save_as) {
            EXPECT_EQ(rig.session.drawing_file(), take2);
            EXPECT_EQ(colour_in(take2), 5);
            EXPECT_TRUE(rig.host.told(SessionIssue::drawing_changed_on_disk));
        }
        rig.doc->drawing.modified = true;
        if (c.saved || c.answer == ChangedAnswer::reload) {
            EXPECT_TRUE(rig.session.save());
            EXPECT_EQ(rig.host.changed_questions.size(), c.asked ? 1u : 0u);
        }
    }
}

} // namespace
} // namespace pitkad
