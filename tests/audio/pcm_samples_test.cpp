#include "audio/pcm_samples.h"

#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pitkad {
namespace {

// Samples written in pieces (some cut short after they were written, as the
// mixer writes) read back the same, in memory or from the file, and a file
// that cannot be made leaves them in memory.
TEST(PcmSamples, ReadBackWhatWasWrittenWhereverItIsKept) {
    test::TempDir dir;
    const auto a_file = dir / "a file";
    std::ofstream(a_file).put('x');
    struct Case {
        const char* what;
        std::size_t memory;
        std::filesystem::path folder;
        bool on_file;
    };
    const Case cases[] = {
        {"in memory", 1 << 20, dir / "pcm", false},
        {"on file", 40, dir / "pcm", true},
        {"no file to be had", 40, a_file / "pcm", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PcmSamples s;
        s.memory_samples = c.memory;
        s.folder = c.folder;
        s.reserve(300); // the final size, hinted as the decoders hint it
        std::vector<std::int16_t> want;
        for (int piece = 0; piece < 30; ++piece) {
            const std::size_t n = 7 + std::size_t(piece % 5);
            std::int16_t* p = s.extend(n);
            for (std::size_t i = 0; i < n; ++i)
                p[i] = std::int16_t(want.size() + i - 100);
            const std::size_t kept = n - std::size_t(piece % 3); // the rest was room not used
            s.resize(s.size() - (n - kept));
            for (std::size_t i = 0; i < kept; ++i)
                want.push_back(std::int16_t(want.size() - 100));
        }
        ASSERT_TRUE(s.finish());
        EXPECT_EQ(s.on_file(), c.on_file);
        const PcmSamples& read = s;
        ASSERT_EQ(read.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i)
            ASSERT_EQ(read[i], want[i]) << i;
        s.prefetch(10, 1000);
    }
}

} // namespace
} // namespace pitkad
