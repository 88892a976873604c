#include "drawing/draw_file.h"

#include "drawing/draw_ops.h"
#include "tests/common/restricted.h"
#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

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
    ASSERT_TRUE(load_draw_data(path, *other, 3000, read));
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
    };
    const Case cases[] = {
        {"frame count 2999", 0, 0xB7},          {"ends inside the body", 228063, -1},
        {"ends inside the MIDI block", 60, -1}, {"empty", 0, -1},
        {"colour 17", 64 + 10 * 76 + 40, 17},   {"colour 32", 64 + 76 + 0, 32},
        {"value 49", 64 + 2999 * 76 + 75, 49},  {"program 128", 50, 128},
        {"velocity byte 200", 57, 200},
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
        EXPECT_FALSE(load_draw_data(path, *target, 3000, target_channels)) << c.name;
        EXPECT_EQ((*target)[5].line_mark(), 3) << c.name;
        EXPECT_EQ((*target)[10].note_cell(40), 0) << c.name;
        EXPECT_TRUE(target->modified) << c.name;
        EXPECT_EQ(target_channels.volume[3], 64) << c.name;
        EXPECT_EQ(target_channels.program[1], 5) << c.name;
    }
    EXPECT_FALSE(read_draw_file((dir / "missing.pkc").string(), 3000));
}

TEST_F(DrawFileTest, LongerFilesAndSelectedValuesAreAccepted) {
    (*draw)[3].note_cell(2) = 33;
    auto bytes = build_draw_file(*draw, 100, channels);
    bytes.push_back(0xFF);
    test::write_file(path, bytes);
    const auto image = read_draw_file(path, 100);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->body.size(), 7600u);
    EXPECT_EQ(image->body[3 * 76 + 2], 33);
}

TEST_F(DrawFileTest, FailedSaveLeavesThePreviousFileIntact) {
    (*draw)[0].line_mark() = 1;
    ASSERT_TRUE(save_draw_data(path, *draw, 100, channels));
    const auto before = test::read_file(path);
    (*draw)[0].line_mark() = 2;
    draw->modified = true;

    // A file size limit makes the write fail part-way, whatever our rights.
    const auto saved = test::with_file_size_limit(
        4096, [&] { return save_draw_data(path, *draw, 3000, channels); });
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

} // namespace
} // namespace pitkad
