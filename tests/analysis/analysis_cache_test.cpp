#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>

#include "analysis/analyse_wav.h"
#include "analysis/analysis_cache.h"
#include "analysis/loudness.h"
#include "base/le_bytes.h"
#include "test_support.h"

namespace pitkad {
namespace {

namespace fs = std::filesystem;

// A tone of `frames` frames whose pitch depends on `pitch`.
test::Bytes tone_wav(int frames, double pitch) {
    std::vector<std::int16_t> s(std::size_t(frames) * 882);
    for (int i = 0; i < int(s.size()); ++i)
        s[std::size_t(i)] = test::sine_sample(15000, pitch, 44100, i);
    return test::mono_wav(s);
}

class Cache : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { tables_ = new BandTables(build_band_tables()); }
    static void TearDownTestSuite() { delete tables_; }

    // The open sequence's analysis steps; true when the cache was used.
    bool open(const fs::path& wav) {
        store_->reset();
        if (read_analysis_cache(wav, *store_)) return true;
        EXPECT_TRUE(analyse_wav(wav, *store_, *tables_, {}, 1).ok);
        normalise_to_peak(*store_);
        EXPECT_TRUE(write_analysis_cache(wav, *store_, fallback_));
        return false;
    }

    static BandTables* tables_;
    test::TempDir dir_;
    test::TempDir user_dir_;
    fs::path fallback_ = user_dir_ / "cache/PitkaD.tmp";
    std::unique_ptr<SpectrogramStore> store_ = std::make_unique<SpectrogramStore>();
};
BandTables* Cache::tables_ = nullptr;

TEST(CacheName, ReplacesOrAppendsTheExtension) {
    const struct {
        const char* wav;
        const char* cache;
        AnalysisChannel channel = AnalysisChannel::first;
    } rows[] = {{"/a/song.wav", "/a/song.pkd"},
                {"/a/song.WAV", "/a/song.pkd"},
                {"/a/noext", "/a/noext.pkd"},
                {"/a/b.c/take.1.wav", "/a/b.c/take.1.pkd"},
                {"/a/song.wav", "/a/song.ch2.pkd", AnalysisChannel::second},
                {"/a/song.flac", "/a/song.mid.pkd", AnalysisChannel::mid},
                {"/a/noext", "/a/noext.ch2.pkd", AnalysisChannel::second}};
    for (const auto& r : rows)
        EXPECT_EQ(cache_name_for(r.wav, r.channel), fs::path(r.cache));
}

// Each choice reads only its own cache: by name, and by the header word when
// another choice's cache is at its name; the first channel's header keeps
// word 3 zero, and the fallback file carries the word too.
TEST_F(Cache, EachChannelChoiceHasItsOwnCache) {
    const auto wav = dir_ / "song.wav";
    test::write_file(wav, tone_wav(4, 441));
    const AnalysisChannel second = AnalysisChannel::second, mid = AnalysisChannel::mid;
    auto write = [&](AnalysisChannel c, const fs::path& fallback) {
        store_->reset();
        EXPECT_TRUE(analyse_wav(wav, *store_, *tables_, {}, 1, best_kernel_path(), c).ok);
        EXPECT_TRUE(write_analysis_cache(wav, *store_, fallback, nullptr, c));
        return test::read_file(store_->cache_file_name);
    };
    auto reads = [&](AnalysisChannel c) {
        store_->reset();
        return read_analysis_cache(wav, *store_, nullptr, {}, c);
    };
    const test::Bytes first_file = write(AnalysisChannel::first, fallback_);
    EXPECT_EQ(le::u32(first_file, 20), 0u);
    EXPECT_FALSE(reads(second));
    const test::Bytes second_file = write(second, fallback_);
    EXPECT_EQ(store_->cache_file_name, (dir_ / "song.ch2.pkd").string());
    EXPECT_EQ(le::u32(second_file, 20), cache_channel_word(second));
    EXPECT_TRUE(reads(second));
    EXPECT_TRUE(reads(AnalysisChannel::first));
    EXPECT_FALSE(reads(mid));

    // Another choice's cache, fingerprint and all, at each name.
    const struct {
        AnalysisChannel asked;
        const test::Bytes& there;
    } swapped[] = {{AnalysisChannel::first, second_file}, {second, first_file}};
    for (const auto& row : swapped) {
        test::write_file(cache_name_for(wav, row.asked), row.there);
        EXPECT_FALSE(reads(row.asked)) << int(row.asked);
    }

    fs::create_directory(dir_ / "song.mid.pkd"); // the folder's file cannot be written
    const test::Bytes fallen_back = write(mid, fallback_);
    EXPECT_EQ(store_->cache_file_name, fallback_.string());
    EXPECT_EQ(le::u32(fallen_back, 20), cache_channel_word(mid));
}

TEST_F(Cache, RoundTripByteLayout) {
    const auto wav = dir_ / "song.wav";
    test::write_file(wav, tone_wav(12, 441));
    EXPECT_FALSE(open(wav));
    const std::vector<float> analysed = store_->spectrogram;
    EXPECT_EQ(store_->cache_file_name, (dir_ / "song.pkd").string());

    const test::Bytes file = test::read_file(dir_ / "song.pkd");
    ASSERT_EQ(file.size(), 64u + 12u * 304u);
    EXPECT_EQ(le::u32(file, 0), std::uint32_t(fs::file_size(wav)));
    EXPECT_EQ(le::u32(file, 4), 12u);
    EXPECT_EQ(le::u32(file, 8), cache_fingerprint_marker);
    const FileHash h = hash_file(wav);
    ASSERT_TRUE(h.ok);
    EXPECT_EQ(le::u32(file, 12), std::uint32_t(h.value));
    EXPECT_EQ(le::u32(file, 16), std::uint32_t(h.value >> 32));
    for (std::size_t i = 20; i < 64; ++i)
        EXPECT_EQ(file[i], 0) << i;
    EXPECT_EQ(std::memcmp(file.data() + 64, analysed.data(), 12 * 304), 0);
    // Cells 0 and 1 are stored as -100.
    float cell0;
    std::memcpy(&cell0, file.data() + 64 + 304, 4);
    EXPECT_EQ(cell0, -100.0f);

    // Opening again loads the same contents without analysing.
    store_->reset();
    EXPECT_TRUE(open(wav));
    EXPECT_EQ(store_->frame_count, 12);
    EXPECT_EQ(store_->spectrogram, analysed);
    EXPECT_EQ(store_->wav_file_size, std::int32_t(fs::file_size(wav)));
    // Nothing else is left in the folder (no temporary files).
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_.path()))
        ++entries;
    EXPECT_EQ(entries, 2);
}

TEST_F(Cache, EmptyRecordingGivesAHeaderOnly) {
    const auto wav = dir_ / "tiny.wav";
    test::write_file(wav, test::mono_wav(std::vector<std::int16_t>(100, 3)));
    EXPECT_FALSE(open(wav));
    EXPECT_EQ(fs::file_size(dir_ / "tiny.pkd"), 64u);
    EXPECT_TRUE(open(wav));
    EXPECT_EQ(store_->frame_count, 0);
}

TEST_F(Cache, StaleCachesAreRejected) {
    const auto wav = dir_ / "song.wav";
    const auto pkd = dir_ / "song.pkd";
    const test::Bytes original = tone_wav(10, 441);
    test::write_file(wav, original);
    open(wav);
    const test::Bytes good = test::read_file(pkd);

    struct Row {
        const char* name;
        test::Bytes wav;   // the recording at the next open
        test::Bytes cache; // the cache at the next open
        bool used;
    };
    test::Bytes appended = original;
    appended.push_back(0);
    const test::Bytes same_size_other = tone_wav(10, 880);
    ASSERT_EQ(same_size_other.size(), original.size());
    test::Bytes legacy = good; // fingerprint absent: the size alone decides
    std::fill(legacy.begin() + 8, legacy.begin() + 64, 0);
    // Same size, half the frames: a filler chunk takes the other half's bytes.
    std::vector<std::int16_t> half(5 * 882, 1000);
    const test::Bytes shorter = test::wav_bytes({test::fmt_chunk(1, 44100),
                                                 {"JUNK", test::Bytes(5 * 1764 - 8, 0), {}, true},
                                                 test::data_chunk(half)});
    ASSERT_EQ(shorter.size(), original.size());
    test::Bytes truncated(good.begin(), good.end() - 1);
    test::Bytes negative = good;
    le::store_u32(negative, 4, 0xffffffffu);
    test::Bytes too_many = good;
    le::store_u32(too_many, 4, 58001);
    test::Bytes foreign_marker = good;
    le::store_u32(foreign_marker, 8, 0x12345678);
    test::Bytes short_header(good.begin(), good.begin() + 40);
    // One cell of frame 4 replaced by the given bits.
    auto with_cell = [&](int band, std::uint32_t bits) {
        test::Bytes b = good;
        le::store_u32(b, 64 + 4 * 304 + std::size_t(band) * 4, bits);
        return b;
    };

    const Row rows[] = {
        {"unchanged", original, good, true},
        {"a byte appended", appended, good, false},
        {"same size, other contents", same_size_other, good, false},
        {"legacy header, same size", same_size_other, legacy, true},
        {"legacy header, same size, other length", shorter, legacy, false},
        {"body cut short", original, truncated, false},
        {"negative frame count", original, negative, false},
        {"frame count above 58000", original, too_many, false},
        {"unknown reserved words", original, foreign_marker, false},
        {"header cut short", original, short_header, false},
        {"NaN level", original, with_cell(30, 0x7fc00000u), false},
        {"infinite level", original, with_cell(75, 0x7f800000u), false},
        {"minus infinity in cell 0", original, with_cell(0, 0xff800000u), false},
        {"largest finite level", original, with_cell(30, 0x7f7fffffu), true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        test::write_file(wav, r.wav);
        test::write_file(pkd, r.cache);
        store_->reset();
        const bool used = read_analysis_cache(wav, *store_);
        EXPECT_EQ(used, r.used);
        if (!used) {
            // A rejected cache leaves the store in its reset state.
            EXPECT_EQ(store_->frame_count, 1);
            EXPECT_EQ(store_->at(0, 36), empty_level);
            // The next open analyses again and rewrites a valid cache.
            EXPECT_FALSE(open(wav));
            EXPECT_TRUE(read_analysis_cache(wav, *store_));
        }
    }
    EXPECT_FALSE(read_analysis_cache(dir_ / "absent.wav", *store_));
}

TEST_F(Cache, UnwritableFolderFallsBackToTheUserCacheFile) {
    // A directory in the cache's place stands for an unwritable folder even
    // when the tests run with every permission.
    const auto wav = dir_ / "song.wav";
    test::write_file(wav, tone_wav(5, 441));
    fs::create_directory(dir_ / "song.pkd");
    fs::path blocker = dir_ / "song.pkd" / "x";
    test::write_file(blocker, {1});

    EXPECT_FALSE(open(wav));
    EXPECT_EQ(store_->cache_file_name, fallback_.string());
    EXPECT_EQ(fs::file_size(fallback_), 64u + 5u * 304u);
    // The lookup never reads the fallback: the next open analyses again.
    EXPECT_FALSE(open(wav));
    // The store can still be rebuilt from the fallback.
    const std::vector<float> analysed = store_->spectrogram;
    store_->at(2, 40) = 5.0f;
    reload_analysis_cache(*store_);
    EXPECT_EQ(store_->spectrogram, analysed);
}

// What is at the cache's name and is not a regular file is neither waited
// for nor written through: a link to a file of the user's leaves that file
// as it was, and the cache goes to the user cache folder. A regular file
// larger than any cache is not read, only replaced.
TEST_F(Cache, ANameThatIsNoCacheIsNeitherWaitedForNorWrittenThrough) {
    const auto wav = dir_ / "song.wav";
    const auto pkd = dir_ / "song.pkd";
    const auto user_file = dir_ / "letter.txt";
    test::write_file(wav, tone_wav(3, 441));
    const struct {
        const char* name;
        std::function<void()> make;
        bool falls_back;
    } rows[] = {
        {"link to a file", [&] { fs::create_symlink(user_file, pkd); }, true},
        {"pipe", [&] { ASSERT_EQ(::mkfifo(pkd.c_str(), 0644), 0); }, true},
        {"larger than any cache",
         [&] {
             test::write_file(pkd, {});
             fs::resize_file(pkd, cache_max_bytes + 1); // sparse: no disk taken
         },
         false},
    };
    ::alarm(60); // a read that waits ends the test instead of hanging it
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::write_file(user_file, {'h', 'i'});
        row.make();
        EXPECT_FALSE(open(wav));
        EXPECT_EQ(store_->cache_file_name, (row.falls_back ? fallback_ : pkd).string());
        EXPECT_EQ(test::read_file(user_file), (test::Bytes{'h', 'i'}));
        fs::remove(pkd);
    }
    ::alarm(0);
}

TEST_F(Cache, ReadOnlyFolderFallsBack) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const auto wav = dir_ / "song.wav";
    test::write_file(wav, tone_wav(3, 441));
    fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(open(wav));
    EXPECT_EQ(store_->cache_file_name, fallback_.string());
    fs::permissions(dir_.path(), fs::perms::owner_all);
}

TEST_F(Cache, NeitherFileWritable) {
    const auto wav = dir_ / "song.wav";
    test::write_file(wav, tone_wav(3, 441));
    fs::create_directory(dir_ / "song.pkd");
    test::write_file(dir_ / "song.pkd" / "x", {1});
    test::write_file(user_dir_ / "plain", {1});
    store_->reset();
    ASSERT_TRUE(analyse_wav(wav, *store_, *tables_).ok);
    store_->cache_file_name = "stale";
    EXPECT_FALSE(write_analysis_cache(wav, *store_, user_dir_ / "plain" / "PitkaD.tmp"));
    EXPECT_TRUE(store_->cache_file_name.empty());
}

TEST_F(Cache, ReloadRestoresTheCachedColumns) {
    const auto wav = dir_ / "song.wav";
    test::write_file(wav, tone_wav(8, 441));
    open(wav);
    const std::vector<float> cached = store_->spectrogram;
    for (int t = 0; t < 8; ++t)
        store_->at(t, 30) += 3.0f;
    reload_analysis_cache(*store_);
    EXPECT_EQ(store_->spectrogram, cached);

    // The columns come from the analysis kept at open: a cache file shortened
    // or removed while the recording is open changes nothing.
    std::filesystem::resize_file(dir_ / "song.pkd", 64);
    store_->at(1, 30) = 7.0f;
    reload_analysis_cache(*store_);
    EXPECT_EQ(store_->spectrogram, cached);
    fs::remove(dir_ / "song.pkd");
    store_->at(1, 30) = 7.0f;
    reload_analysis_cache(*store_);
    EXPECT_EQ(store_->spectrogram, cached);
}

// A recording longer than 19:20 has a cache of the same layout with a larger
// count and the long mark, read back whole; its analysis is then read again
// from the file held open, whatever becomes of the file at its name.
TEST_F(Cache, LongRecordingsHaveALongCache) {
    const auto recording = dir_ / "long.mp3";
    test::write_file(recording, test::Bytes(1000, 7));
    const int frames = frame_limit + 3;
    store_->make_room(frames);
    for (int t = 0; t < frames; ++t)
        store_->at(t, 2 + t % 74) = -float(t % 50);
    store_->frame_count = frames;
    store_->wav_file_size = 1000;
    ASSERT_TRUE(write_analysis_cache(recording, *store_, fallback_));
    EXPECT_TRUE(store_->analysed.empty());
    const std::vector<float> written = store_->spectrogram;

    const auto pkd = dir_ / "long.pkd";
    const test::Bytes file = test::read_file(pkd);
    ASSERT_EQ(file.size(), 64u + std::size_t(frames) * 304u);
    EXPECT_EQ(le::u32(file, 4), std::uint32_t(frames));
    EXPECT_EQ(le::u32(file, 8), cache_fingerprint_marker);
    EXPECT_EQ(le::u32(file, 24), cache_long_marker);

    auto read = std::make_unique<SpectrogramStore>();
    ASSERT_TRUE(read_analysis_cache(recording, *read));
    EXPECT_EQ(read->frame_count, frames);
    EXPECT_EQ(read->spectrogram, written);

    // Replaced at its name (as a save does), the held file still restores.
    test::write_file(dir_ / "other", test::Bytes(100, 1));
    fs::rename(dir_ / "other", pkd);
    read->at(frames - 1, 40) = 9.0f;
    EXPECT_TRUE(reload_analysis_cache(*read));
    EXPECT_EQ(read->spectrogram, written);

    // Without the mark, or with a level that is no number, the cache is not
    // taken and the store is left as it was.
    for (const auto& damage : std::vector<std::pair<std::size_t, std::uint8_t>>{
             {24, 0}, {64 + 304 * std::size_t(frames - 1) + 43, 0x7f}}) {
        test::Bytes bad = file;
        bad[damage.first] = damage.second;
        if (damage.first > 64) bad[damage.first - 1] = 0xc0; // a NaN
        test::write_file(pkd, bad);
        auto other = std::make_unique<SpectrogramStore>();
        EXPECT_FALSE(read_analysis_cache(recording, *other)) << damage.first;
        EXPECT_EQ(other->columns(), store_frames);
        EXPECT_EQ(other->frame_count, 1);
    }
}

// A stop asked for while the recording is hashed ends the check at once: no
// fingerprint, the cache not used, the store untouched.
TEST_F(Cache, AStopEndsTheFingerprintCheck) {
    const auto wav = dir_ / "song.wav";
    test::write_file(wav, tone_wav(8, 441));
    open(wav);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(hash_file(wav, stop.get_token()).ok);
    store_->reset();
    const int empty = store_->frame_count;
    FileHash hash;
    EXPECT_FALSE(read_analysis_cache(wav, *store_, &hash, stop.get_token()));
    EXPECT_FALSE(hash.ok);
    EXPECT_EQ(store_->frame_count, empty);
    EXPECT_TRUE(read_analysis_cache(wav, *store_, &hash));
}

} // namespace
} // namespace pitkad
