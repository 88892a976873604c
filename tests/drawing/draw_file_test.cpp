#include "drawing/draw_file.h"

#include "drawing/draw_ops.h"
#include "tests/common/restricted.h"
#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <system_error>

namespace pitkad {
namespace {

namespace fs = std::filesystem;

class DrawFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int ch = 0; ch < 9; ++ch) {
            channels.program[std::size_t(ch)] = 10 + ch;
            channels.volume[std::size_t(ch)] = 120 - ch;
        }
    }
    test::TempDir dir;
    std::string path = (dir / "song.pkc").string();
    std::unique_ptr<DrawData> draw = std::make_unique<DrawData>();
    MidiChannelSettings channels;
};

TEST(DrawFileName, ReplacesTheExtensionOfTheFileName) {
    struct Case {
        const char* wav;
        const char* want;
    };
    const Case cases[] = {
        {"/music/song.wav", "/music/song.pkc"},
        {"/music/song.take2.WAV", "/music/song.take2.pkc"},
        {"/music/song", "/music/song.pkc"},
        {"/mu.sic/song", "/mu.sic/song.pkc"},
        {"song.wav", "song.pkc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(draw_file_name(c.wav), c.want) << c.wav;
}

TEST_F(DrawFileTest, SavedLayoutMatchesTheFormat) {
    channels.volume[3] = 100; // channel 3
    (*draw)[0].line_mark() = 4;
    (*draw)[2999].note_cell(75) = 16 | draw_selected_bit;
    (*draw)[3000].note_cell(75) = 7; // beyond the recording: not saved
    draw->modified = true;
    ASSERT_TRUE(save_draw_data(path, *draw, 3000, channels));
    const auto b = test::read_file(path);
    ASSERT_EQ(b.size(), 228064u);
    EXPECT_EQ(b[0], 0xB8);
    EXPECT_EQ(b[1], 0x0B);
    EXPECT_EQ(b[2], 0x00);
    EXPECT_EQ(b[3], 0x00);
    for (int i = 4; i < 48; ++i)
        EXPECT_EQ(b[std::size_t(i)], 0) << i;
    for (int ch = 1; ch <= 8; ++ch)
        EXPECT_EQ(b[std::size_t(47 + ch)], 10 + ch) << ch;
    EXPECT_EQ(b[58], 27);
    EXPECT_EQ(b[56], 127 - 119);
    EXPECT_EQ(b[64], 4);                        // frame 0, line mark
    EXPECT_EQ(b[64 + 2999 * 76 + 75], 16);      // saved without the selection
    EXPECT_EQ((*draw)[2999].note_cell(75), 16); // and deselected in memory
    EXPECT_FALSE(draw->modified);
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST_F(DrawFileTest, LoadReadsBackProgramsVolumesAndRecords) {
    channels.volume[3] = 100;
    (*draw)[1500].note_cell(40) = 9;
    ASSERT_TRUE(save_draw_data(path, *draw, 3000, channels));

    MidiChannelSettings read;
    read.program[0] = 7; // channel 0 is not the drawing's
    auto other = std::make_unique<DrawData>();
    other->modified = true;
    ASSERT_TRUE(load_draw_data(path, *other, 3000, read).ok());
    EXPECT_EQ(read.volume[3], 100);
    EXPECT_EQ(read.program[8], 18);
    EXPECT_EQ(read.program[0], 7);
    EXPECT_EQ((*other)[1500].note_cell(40), 9);
    EXPECT_FALSE(other->modified);
}

TEST_F(DrawFileTest, RefusedFilesChangeNothing) {
    channels.volume[3] = 100;
    (*draw)[10].note_cell(40) = 9;
    const auto good = build_draw_file(*draw, 3000, channels);
    struct Case {
        const char* name;
        std::size_t at; // byte to change, or the length to cut to
        int value;      // -1: cut the file at `at`
        DrawFileRefusal why;
    };
    using enum DrawFileRefusal;
    const Case cases[] = {
        {"frame count -1", 3, 0xFF, bad_header},
        {"frame count above the longest recording's", 2, 0x0B, bad_header},
        {"ends inside the body", 228063, -1, truncated},
        {"ends inside the MIDI block", 60, -1, truncated},
        {"empty", 0, -1, truncated},
        {"colour 17", 64 + 10 * 76 + 40, 17, bad_record},
        {"colour 32", 64 + 76 + 0, 32, bad_record},
        {"value 49", 64 + 2999 * 76 + 75, 49, bad_record},
        {"program 128", 50, 128, bad_midi_block},
        {"velocity byte 200", 57, 200, bad_midi_block},
    };
    for (const auto& c : cases) {
        auto bytes = good;
        if (c.value < 0)
            bytes.resize(c.at);
        else
            bytes[c.at] = std::uint8_t(c.value);
        test::write_file(path, bytes);

        auto target = std::make_unique<DrawData>();
        (*target)[5].line_mark() = 3;
        target->modified = true;
        MidiChannelSettings target_channels;
        target_channels.volume[3] = 64;
        target_channels.program[1] = 5;
        const DrawFileRead r = load_draw_data(path, *target, 3000, target_channels);
        EXPECT_EQ(r.status, DrawFileStatus::refused) << c.name;
        EXPECT_EQ(r.refusal, c.why) << c.name;
        EXPECT_EQ((*target)[5].line_mark(), 3) << c.name;
        EXPECT_EQ((*target)[10].note_cell(40), 0) << c.name;
        EXPECT_TRUE(target->modified) << c.name;
        EXPECT_EQ(target_channels.volume[3], 64) << c.name;
        EXPECT_EQ(target_channels.program[1], 5) << c.name;
    }
}

// A drawing made for another frame count (the same song decoded from
// another file) loads cut or padded to the recording and tells the count it
// was made for; a bad record past the recording's end still refuses it.
TEST_F(DrawFileTest, OtherFrameCountsLoadCutOrPadded) {
    struct Case {
        int file_frames, recording_frames;
        int bad_frame; // a record made invalid, or -1
        DrawFileStatus status;
    };
    const Case cases[] = {
        {1500, 1500, -1, DrawFileStatus::ok},     {1502, 1500, -1, DrawFileStatus::ok},
        {1497, 1500, -1, DrawFileStatus::ok},     {0, 10, -1, DrawFileStatus::ok},
        {10, 0, -1, DrawFileStatus::ok},          {1502, 1500, 1501, DrawFileStatus::refused},
        {draw_frames, 1, -1, DrawFileStatus::ok},
        // Longer than 19:20: the same layout with a larger count.
        {70000, 70000, -1, DrawFileStatus::ok},   {70000, 1500, -1, DrawFileStatus::ok},
        {1500, 70000, -1, DrawFileStatus::ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.file_frames) + " -> " + std::to_string(c.recording_frames));
        auto made = std::make_unique<DrawData>();
        made->fit(c.file_frames);
        for (int f = 0; f < c.file_frames; ++f)
            (*made)[f].note_cell(2 + f % 74) = 1 + f % 16;
        auto bytes = build_draw_file(*made, c.file_frames, channels);
        if (c.bad_frame >= 0) bytes[std::size_t(draw_body_offset + c.bad_frame * 76 + 5)] = 20;
        test::write_file(path, bytes);

        auto loaded = std::make_unique<DrawData>();
        MidiChannelSettings read;
        const DrawFileRead r = load_draw_data(path, *loaded, c.recording_frames, read);
        ASSERT_EQ(r.status, c.status);
        if (!r.ok()) continue;
        EXPECT_EQ(r.file_frames, c.file_frames);
        EXPECT_EQ(r.frame_count, c.recording_frames);
        EXPECT_EQ(r.resized(), c.file_frames != c.recording_frames);
        EXPECT_EQ(read.program[8], 18);
        ASSERT_GE(int(loaded->draw_data.size()), c.recording_frames);
        for (int f = 0; f < int(loaded->draw_data.size()); ++f)
            ASSERT_EQ((*loaded)[f],
                      f < std::min(c.file_frames, c.recording_frames) ? (*made)[f] : draw_frame{})
                << f;
    }
}

// What stands at the file's name: nothing there is absent; a path that
// cannot be opened is unreadable with the system's reason; a pipe is
// refused without waiting for a writer, a device or a huge file unread.
TEST_F(DrawFileTest, PathsThatCannotBeReadTellWhy) {
    const fs::path p = path;
    test::write_file(dir / "song.wav", {1});
    struct Case {
        const char* name;
        std::function<void()> make;
        fs::path at;
        DrawFileStatus status;
        std::errc error;
        DrawFileRefusal refusal = DrawFileRefusal::not_a_file;
    };
    const std::errc none{};
    const Case cases[] = {
        {"missing", [] {}, p, DrawFileStatus::absent, none},
        {"dangling link", [&] { fs::create_symlink("gone.pkc", p); }, p, DrawFileStatus::absent,
         none},
        {"inside a file", [] {}, dir / "song.wav" / "song.pkc", DrawFileStatus::absent, none},
        {"loop of links",
         [&] {
             fs::create_symlink("b.pkc", p);
             fs::create_symlink("song.pkc", dir / "b.pkc");
         },
         p, DrawFileStatus::unreadable, std::errc::too_many_symbolic_link_levels},
        {"folder", [&] { fs::create_directory(p); }, p, DrawFileStatus::unreadable,
         std::errc::is_a_directory},
        {"pipe", [&] { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, p, DrawFileStatus::refused,
         none},
        {"link to a device", [&] { fs::create_symlink("/dev/zero", p); }, p,
         DrawFileStatus::refused, none},
        {"larger than any drawing",
         [&] {
             test::write_file(p, {});
             fs::resize_file(p, draw_file_read_max_bytes + 1); // sparse: no disk taken
         },
         p, DrawFileStatus::refused, none, DrawFileRefusal::too_large},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        fs::remove(p, ec);
        fs::remove(dir / "b.pkc", ec);
        c.make();
        const DrawFileRead r = read_draw_file(c.at.string(), 100);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.error, std::make_error_condition(c.error)) << r.error.message();
        if (c.status == DrawFileStatus::refused) {
            EXPECT_EQ(r.refusal, c.refusal);
        }
    }
}

TEST_F(DrawFileTest, LongerFilesAndSelectedValuesAreAccepted) {
    (*draw)[3].note_cell(2) = 33;
    auto bytes = build_draw_file(*draw, 100, channels);
    bytes.push_back(0xFF);
    test::write_file(path, bytes);
    const DrawFileRead r = read_draw_file(path, 100);
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.resized());
    EXPECT_EQ(r.image.body.size(), 7600u);
    EXPECT_EQ(r.image.body[3 * 76 + 2], 33);
}

// Annotations follow the records: a drawing without them is the file it was,
// one with them keeps its records where they were and reads back whole; a
// damaged block costs the annotations, not the drawing.
TEST_F(DrawFileTest, AnnotationsFollowTheRecords) {
    (*draw)[7].note_cell(30) = 4;
    const auto plain = build_draw_file(*draw, 100, channels);
    ASSERT_EQ(plain.size(), std::size_t(64 + 100 * 76));
    add_marker(draw->annotations, 50, "Verse");
    draw->annotations.key = KeySignature{2, false};
    ASSERT_TRUE(save_draw_data(path, *draw, 100, channels));
    const auto bytes = test::read_file(path);
    ASSERT_GT(bytes.size(), plain.size());
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), bytes.begin()));

    auto back = std::make_unique<DrawData>();
    ASSERT_TRUE(load_draw_data(path, *back, 100, channels).ok());
    EXPECT_EQ(back->annotations, draw->annotations);
    EXPECT_EQ((*back)[7].note_cell(30), 4);
    ASSERT_TRUE(load_draw_data(path, *back, 40, channels).ok()); // marker past the end
    EXPECT_TRUE(back->annotations.markers.empty());

    auto damaged = bytes;
    damaged.pop_back();
    test::write_file(path, damaged);
    const DrawFileRead r = read_draw_file(path, 100);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.image.annotations_damaged);
    EXPECT_TRUE(r.image.annotations.empty());
    EXPECT_EQ(r.image.body[7 * 76 + 30], 4);
}

TEST_F(DrawFileTest, FailedSaveLeavesThePreviousFileIntact) {
    (*draw)[0].line_mark() = 1;
    ASSERT_TRUE(save_draw_data(path, *draw, 100, channels));
    const auto before = test::read_file(path);
    (*draw)[0].line_mark() = 2;
    draw->modified = true;

    // A file size limit makes the write fail part-way, whatever our rights.
    const auto saved = test::with_file_size_limit(
        4096, [&] { return bool(save_draw_data(path, *draw, 3000, channels)); });
    ASSERT_TRUE(saved);
    EXPECT_FALSE(*saved);
    EXPECT_EQ(test::read_file(path), before);
    EXPECT_TRUE(draw->modified);
    EXPECT_EQ(test::entry_count(dir.path()), 1) << "the temporary file is removed";
    EXPECT_FALSE(save_draw_data((dir / "no" / "such.pkc").string(), *draw, 100, channels));
}

TEST_F(DrawFileTest, SaveReplacesAnExistingFileWhole) {
    test::write_file(path, std::vector<std::uint8_t>(500000, 0xEE));
    ASSERT_TRUE(save_draw_data(path, *draw, 10, channels));
    EXPECT_EQ(test::read_file(path).size(), 64u + 760u);
}

// A save that replaces a file keeps the old one as ".bak"; the first save
// has nothing to keep, and a backup that cannot be written does not stop it.
TEST_F(DrawFileTest, ReplacedFileIsKeptAsBak) {
    const std::string bak = backup_file_name(path);
    EXPECT_EQ(bak, path + ".bak");
    (*draw)[0].line_mark() = 1;
    ASSERT_TRUE(save_draw_data(path, *draw, 10, channels));
    EXPECT_FALSE(fs::exists(bak));
    const auto first = test::read_file(path);

    (*draw)[0].line_mark() = 2;
    ASSERT_TRUE(save_draw_data(path, *draw, 10, channels));
    EXPECT_EQ(test::read_file(bak), first);
    const auto second = test::read_file(path);
    EXPECT_NE(second, first);

    // A folder in the backup's place: the save still replaces the file.
    fs::remove(bak);
    fs::create_directory(bak);
    (*draw)[0].line_mark() = 3;
    ASSERT_TRUE(save_draw_data(path, *draw, 10, channels));
    EXPECT_TRUE(fs::is_directory(bak));
    EXPECT_NE(test::read_file(path), second);
}

// A save never writes through a link (nor copies what it points to into
// the backup); a backup is as private as its drawing file, whatever the
// umask or an older backup's mode.
TEST_F(DrawFileTest, SavesKeepModesAndNeverFollowALink) {
    const std::string bak = backup_file_name(path);
    const fs::path other = dir / "private.txt";
    const std::vector<std::uint8_t> secret{1, 2, 3};
    test::write_file(other, secret);
    ASSERT_EQ(::chmod(other.c_str(), 0600), 0);
    fs::create_symlink(other, path);
    EXPECT_EQ(save_draw_data(path, *draw, 10, channels).status, WriteStatus::not_a_regular_file);
    EXPECT_EQ(test::read_file(other), secret);
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_FALSE(fs::exists(bak));

    fs::remove(path);
    ASSERT_TRUE(save_draw_data(path, *draw, 10, channels));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    test::write_file(bak, secret);
    ASSERT_EQ(::chmod(bak.c_str(), 0644), 0);
    ASSERT_TRUE(save_draw_data(path, *draw, 10, channels));
    struct stat st {};
    ASSERT_EQ(::stat(bak.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

} // namespace
} // namespace pitkad
