// The open sequence without a window: a Document loads a recording, finds
// its drawing file, and keeps nothing of a refused one.

#include "control/document.h"
#include "drawing/draw_file.h"
#include "tests/common/test_wav.h"

#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

namespace pitkad {
namespace {

namespace fs = std::filesystem;

struct Files {
    test::TempWav wav{1000, 44100};
    ~Files() {
        std::error_code ec;
        fs::remove(fs::path(wav.path()).replace_extension(".pkd"), ec);
        fs::remove(fs::path(wav.path()).replace_extension(".pkc"), ec);
    }
};

TEST(Document, OpensARecordingAndItsDrawingWithoutAWindow) {
    Files files;
    auto doc = std::make_unique<Document>();
    doc->load_tables();
    LoadResult r = doc->load_recording(files.wav.path(), {}, 1);
    ASSERT_TRUE(r.ok) << int(r.status);
    EXPECT_FALSE(r.cache_used);
    EXPECT_EQ(doc->store.frame_count, 50);
    EXPECT_EQ(doc->draw_file, draw_file_name(files.wav.path()));
    EXPECT_EQ(doc->load_drawing().status, DrawFileStatus::absent); // none saved yet

    // A drawing saved beside the recording comes back with the next open,
    // with its channel settings.
    doc->drawing[10].note_cell(20) = 3;
    doc->channel_settings.program[8] = 18;
    ASSERT_TRUE(save_draw_data(doc->draw_file, doc->drawing, doc->store.frame_count,
                               doc->channel_settings));
    auto again = std::make_unique<Document>();
    auto backend = std::make_unique<RecordingMidiBackend>();
    auto* log = backend.get();
    ASSERT_TRUE(again->midi.open(std::move(backend)));
    again->midi.active_notes[2][0] = 50; // a note the drawing player left sounding
    log->messages.clear();
    again->load_tables();
    r = again->load_recording(files.wav.path(), {}, 1);
    ASSERT_TRUE(r.ok) << int(r.status);
    EXPECT_TRUE(r.cache_used);
    ASSERT_TRUE(again->load_drawing().ok());
    EXPECT_EQ(again->drawing[10].note_cell(20), 3);
    EXPECT_FALSE(again->drawing.modified);
    EXPECT_EQ(again->channel_settings.program[8], 18);
    // The sounding note is silenced first, then the programs of channels 0 … 8 go out.
    ASSERT_EQ(log->messages.size(), 10u);
    EXPECT_EQ(log->messages[0], short_message(0x82, 83, 0));
    EXPECT_EQ(log->messages[1], short_message(0xC0, 0, 0));
    EXPECT_EQ(log->messages[9], short_message(0xC8, 18, 0));
}

TEST(Document, ARefusedRecordingLeavesNoDrawingFile) {
    Files files;
    auto doc = std::make_unique<Document>();
    doc->load_tables();
    ASSERT_TRUE(doc->load_recording(files.wav.path(), {}, 1).ok);
    files.wav.write({'R', 'I', 'F', 'F'});
    const LoadResult r = doc->load_recording(files.wav.path(), {}, 1, false);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.status, OpenStatus::unsupported);
    EXPECT_TRUE(doc->draw_file.empty());
    EXPECT_EQ(doc->load_drawing().status, DrawFileStatus::absent);
}

// The suggestions and the check read the levels as analysed whatever the
// display shows: with the loudness correction in the store, the copy is
// without it, as the command line's store is.
TEST(Document, AnalysedLevelsLeaveOutTheLoudnessCorrection) {
    Files files;
    Document doc;
    doc.load_tables();
    ASSERT_TRUE(doc.load_recording(files.wav.path(), {}, 1).ok);
    doc.refresh(true, false);
    const std::vector<float> plain = doc.store.spectrogram;
    doc.loudness_available = true;
    for (int b = first_band; b <= last_band; ++b)
        doc.loudness_table[std::size_t(b)] = float(b % 7) * 3.0f;
    // Switched on and off in any order, the correction never piles up (a
    // refresh reads the columns back unless the store holds them as kept).
    std::vector<float> with_correction;
    for (const bool on : {true, true, false, false, true}) {
        doc.refresh(true, on);
        if (on && with_correction.empty()) with_correction = doc.store.spectrogram;
        EXPECT_EQ(doc.store.spectrogram, on ? with_correction : plain) << on;
        EXPECT_NE(with_correction, plain);
        std::optional<SpectrogramStore> copy;
        EXPECT_EQ(doc.analysed_levels(copy).spectrogram, plain) << on;
        EXPECT_EQ(copy.has_value(), on);
    }
}

} // namespace
} // namespace pitkad
