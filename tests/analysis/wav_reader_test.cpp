#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "analysis/wav_reader.h"
#include "test_support.h"

namespace pitkad {
namespace {

using test::Bytes;
using test::Chunk;
using test::data_chunk;
using test::fmt_chunk;
using test::wav_bytes;

Chunk raw_chunk(const std::string& id, std::size_t size, std::uint8_t fill = 0x41) {
    return Chunk{id, Bytes(size, fill), {}, true};
}

std::vector<std::int16_t> ramp(int count) {
    std::vector<std::int16_t> v;
    for (int i = 0; i < count; ++i)
        v.push_back(std::int16_t(i % 1000));
    return v;
}

Bytes extensible_fmt(bool pcm_guid) {
    return wav_bytes({test::extensible_fmt_chunk(2, 44100, pcm_guid), data_chunk(ramp(2 * 1764))});
}

// read_wav with the address space limited to what the process already uses
// plus 256 MB: a buffer sized from a header's claim fails instead of
// quietly taking gigabytes.
WavRecording read_wav_bounded(const std::filesystem::path& file) {
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit old_limit{};
    ::getrlimit(RLIMIT_AS, &old_limit);
    rlimit bounded = old_limit;
    const rlim_t want = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(256) << 20);
    if (pages > 0 && (old_limit.rlim_cur == RLIM_INFINITY || want < old_limit.rlim_cur))
        bounded.rlim_cur = want;
    ::setrlimit(RLIMIT_AS, &bounded);
    WavRecording r;
    try {
        r = read_wav(file);
    } catch (const std::bad_alloc&) {
        ADD_FAILURE() << "read_wav ran out of memory";
        r.ok = false;
    }
    ::setrlimit(RLIMIT_AS, &old_limit);
    return r;
}

struct Case {
    const char* name;
    std::function<Bytes()> bytes;
    OpenStatus status; // ok: accepted
    int frame_count = 0;
    int channels = 0;
};

const Case cases[] = {
    {"empty file", [] { return Bytes{}; }, OpenStatus::unsupported},
    {"not RIFF",
     [] {
         Bytes b = wav_bytes({fmt_chunk(1, 44100), data_chunk(ramp(900))});
         b[3] = 'X';
         return b;
     },
     OpenStatus::unsupported},
    {"not WAVE",
     [] {
         Bytes b = wav_bytes({fmt_chunk(1, 44100), data_chunk(ramp(900))});
         b[8] = 'w';
         return b;
     },
     OpenStatus::unsupported},
    {"plain mono",
     [] {
         return wav_bytes({fmt_chunk(1, 44100), data_chunk(ramp(882 * 3))});
     },
     OpenStatus::ok, 3, 1},
    {"identifier not printable",
     [] {
         return wav_bytes({fmt_chunk(1, 44100), raw_chunk("ab\x01x", 4), data_chunk(ramp(900))});
     },
     OpenStatus::bad_header},
    {"header cut by the end",
     [] {
         Bytes b = wav_bytes({fmt_chunk(1, 44100)});
         b.insert(b.end(), {'d', 'a', 't'});
         return b;
     },
     OpenStatus::bad_header},
    {"no data chunk", [] { return wav_bytes({fmt_chunk(1, 44100)}); }, OpenStatus::bad_header},
    {"short fmt payload",
     [] {
         Chunk f = fmt_chunk(1, 44100);
         f.payload.resize(14);
         return wav_bytes({f, data_chunk(ramp(900))});
     },
     OpenStatus::bad_header},
    {"fmt cut by the end",
     [] {
         Chunk f = fmt_chunk(1, 44100);
         f.size = 40;
         return wav_bytes({f});
     },
     OpenStatus::bad_header},
    {"fmt declaring 4 GB",
     [] {
         // Refused from the header: the declared size is never allocated.
         Chunk f = fmt_chunk(1, 44100);
         f.size = 0xfffffff0u;
         return wav_bytes({f});
     },
     OpenStatus::bad_header},
    {"fmt declaring 4 GB before a data chunk",
     [] {
         Chunk f = fmt_chunk(1, 44100);
         f.size = 0xfffffff0u;
         return wav_bytes({f, Chunk{"data", {}, 0u, true}});
     },
     OpenStatus::bad_header},
    {"skipped chunk runs past the end",
     [] {
         Chunk j = raw_chunk("JUNK", 8);
         j.size = 1000;
         return wav_bytes({fmt_chunk(1, 44100), j});
     },
     OpenStatus::bad_header},
    {"JUNK, bext, PEAK and cue skipped",
     [] {
         return wav_bytes({raw_chunk("JUNK", 28), fmt_chunk(1, 44100), raw_chunk("bext", 602),
                           raw_chunk("PEAK", 24), raw_chunk("cue ", 28),
                           data_chunk(ramp(882 * 2))});
     },
     OpenStatus::ok, 2, 1},
    {"odd-sized chunks with pad bytes",
     [] {
         return wav_bytes({raw_chunk("LIST", 5), fmt_chunk(1, 44100), raw_chunk("fact", 3, 0x64),
                           raw_chunk("odd!", 7), data_chunk(ramp(882))});
     },
     OpenStatus::ok, 1, 1},
    {"RIFF and WAVE met again",
     [] {
         // Met as chunk headers, each is followed by a size and nothing else.
         return wav_bytes({Chunk{"RIFF", {}, 1234u, true}, fmt_chunk(1, 44100),
                           Chunk{"WAVE", {}, 99u, true}, data_chunk(ramp(882))});
     },
     OpenStatus::ok, 1, 1},
    {"data before fmt",
     [] {
         return wav_bytes({data_chunk(ramp(882)), fmt_chunk(1, 44100)});
     },
     OpenStatus::unsupported},
    {"8-bit",
     [] {
         return wav_bytes({fmt_chunk(1, 44100, 8), data_chunk(ramp(900))});
     },
     OpenStatus::unsupported},
    {"24-bit",
     [] {
         return wav_bytes({fmt_chunk(1, 44100, 24), data_chunk(ramp(900))});
     },
     OpenStatus::unsupported},
    {"48000 Hz",
     [] {
         return wav_bytes({fmt_chunk(1, 48000), data_chunk(ramp(960))});
     },
     OpenStatus::unsupported},
    {"rate with high bits",
     [] {
         return wav_bytes({fmt_chunk(1, 44100 + 65536), data_chunk(ramp(900))});
     },
     OpenStatus::unsupported},
    {"float format tag",
     [] {
         return wav_bytes({fmt_chunk(1, 44100, 16, 3), data_chunk(ramp(900))});
     },
     OpenStatus::unsupported},
    {"zero channels",
     [] {
         return wav_bytes({fmt_chunk(0, 44100), data_chunk(ramp(900))});
     },
     OpenStatus::unsupported},
    {"256 channels",
     [] {
         return wav_bytes({fmt_chunk(256, 44100), data_chunk(ramp(256 * 882))});
     },
     OpenStatus::ok, 1, 256},
    {"extensible PCM", [] { return extensible_fmt(true); }, OpenStatus::ok, 2, 2},
    {"extensible float", [] { return extensible_fmt(false); }, OpenStatus::unsupported},
    {"22050 Hz mono",
     [] {
         return wav_bytes({fmt_chunk(1, 22050), data_chunk(ramp(22050))});
     },
     OpenStatus::ok, 50, 1},
    {"shorter than one frame",
     [] {
         return wav_bytes({fmt_chunk(1, 44100), data_chunk(ramp(881))});
     },
     OpenStatus::ok, 0, 1},
    {"data size beyond the file",
     [] {
         Chunk d = data_chunk(ramp(882 * 4));
         d.size = 882 * 2 * 100;
         return wav_bytes({fmt_chunk(1, 44100), d});
     },
     OpenStatus::ok, 4, 1},
    {"data size 0, written to a pipe",
     [] {
         Chunk d = data_chunk(ramp(882 * 3));
         d.size = 0;
         return wav_bytes({fmt_chunk(1, 44100), d});
     },
     OpenStatus::ok, 3, 1},
};

TEST(WavReader, HeaderCases) {
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = dir / "case.wav";
        test::write_file(file, c.bytes());
        const WavRecording r = read_wav_bounded(file);
        if (c.status != OpenStatus::ok) {
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.status, c.status);
        } else {
            EXPECT_TRUE(r.ok) << int(r.status);
            EXPECT_EQ(r.frame_count, c.frame_count);
            EXPECT_EQ(r.format.channels, c.channels);
        }
    }
}

TEST(WavReader, MissingFileCannotBeOpened) {
    test::TempDir dir;
    const WavRecording r = read_wav(dir / "absent.wav");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.status, OpenStatus::cannot_open);
}

TEST(WavReader, ChunkIds) {
    const struct {
        const char* id;
        int expected;
    } rows[] = {{"RIFF", 1}, {"WAVE", 2}, {"fmt ", 3}, {"fact", 4}, {"data", 5},
                {"LIST", 6}, {"riff", 0}, {"Data", 0}, {"JUNK", 0}, {"fmt\0", 0}};
    for (const auto& r : rows)
        EXPECT_EQ(chunk_id(reinterpret_cast<const unsigned char*>(r.id)), r.expected) << r.id;
}

// The first channel, frame by frame, whatever the channel count; three
// channels over more than one read block put frame boundaries across it,
// and the most channels a header can declare need no larger buffer.
TEST(WavReader, FirstChannelStopsAtTheEndOfTheDataChunk) {
    test::TempDir dir;
    const auto file = dir / "trail.wav";
    const struct {
        int channels;
        int frames;
    } rows[] = {{2, 1000}, {3, 40000}, {5, 7000}, {1, 70000}, {65535, 3}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.channels);
        // First channel 1, 2, 3 … (wrapping), the others −1 − c; a loud LIST
        // after the data.
        auto samples = test::interleave(row.frames, row.channels, [](int c, int i) {
            return c == 0 ? (i + 1) % 30000 : -1 - c;
        });
        test::write_file(file, wav_bytes({fmt_chunk(row.channels, 44100), data_chunk(samples),
                                          raw_chunk("LIST", 400, 0x7f)}));
        const WavRecording r = read_wav_bounded(file);
        ASSERT_TRUE(r.ok) << int(r.status);
        ASSERT_EQ(r.samples.size(), std::size_t(row.frames));
        for (int i = 0; i < row.frames; ++i)
            ASSERT_EQ(r.samples[std::size_t(i)], (i + 1) % 30000) << i;
        EXPECT_EQ(r.data_size, std::uint64_t(row.frames) * std::uint64_t(row.channels) * 2u);
    }
}

TEST(WavReader, TruncatedDataIsLimitedToTheBytesPresent) {
    test::TempDir dir;
    const auto file = dir / "cut.wav";
    Bytes b = wav_bytes({fmt_chunk(1, 44100), data_chunk(ramp(882 * 10))});
    b.resize(b.size() - 882 * 2 * 5 - 1); // 4.5 frames and an odd byte remain
    test::write_file(file, b);
    const WavRecording r = read_wav(file);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frame_count, 4);
    EXPECT_EQ(r.samples.size(), std::size_t(882 * 5 - 1));
    EXPECT_EQ(r.file_size, std::int32_t(b.size()));
}

// 719999 frames (4 hours) are accepted, 720000 refused; sparse files keep
// this cheap.
TEST(WavReader, FrameLimit) {
    test::TempDir dir;
    for (int frames : {recording_frame_limit - 1, recording_frame_limit}) {
        const auto file = dir / "long.wav";
        Chunk d{"data", {}, std::uint32_t(frames) * 441u * 2u, true};
        test::write_file(file, wav_bytes({fmt_chunk(1, 22050), d}));
        std::filesystem::resize_file(file, 44 + std::uintmax_t(frames) * 882u);
        const WavRecording r = read_wav(file, false);
        if (frames < recording_frame_limit) {
            EXPECT_TRUE(r.ok) << int(r.status);
            EXPECT_EQ(r.frame_count, frames);
        } else {
            EXPECT_EQ(r.status, OpenStatus::too_large);
        }
    }
}

} // namespace
} // namespace pitkad
