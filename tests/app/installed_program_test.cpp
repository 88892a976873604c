// The installed program, run from a folder that holds no data files: it
// finds its data files in the installed data folder, renders and analyses
// (in English, from the translation built in).
#include "window_test_support.h"

#include <QImage>

namespace pitkad::test {
namespace {

const fs::path prefix = PITKAD_INSTALL_PREFIX;

QString s(const fs::path& p) {
    return QString::fromStdString(p.string());
}

// Pixels that differ within columns x0 … x1 of two pictures of one size.
int differing_pixels(const QImage& a, const QImage& b, int x0, int x1) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = x0; x <= x1; ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) ++n;
    return n;
}

class InstalledProgram : public ::testing::Test {
  protected:
    InstalledProgram() {
        fs::create_directories(dir.path() / "recordings");
        fs::create_directories(dir.path() / "elsewhere");
        fs::copy_file(data_dir / "demo.wav", dir.path() / "recordings/demo.wav");
    }
    TempDir dir;
    const fs::path exe = prefix / "bin/pitkad";
};

// With its data folder the labels are drawn at the left (columns 101 …
// 116 hold the note names of the default width); the same program copied
// to a prefix without the data folder draws none there.
TEST_F(InstalledProgram, RendersWithItsDataFiles) {
    ASSERT_TRUE(fs::is_regular_file(exe));
    ASSERT_TRUE(fs::is_regular_file(prefix / "share/pitkad/Pitkafont.bmp"));
    const fs::path wav = dir.path() / "recordings/demo.wav";
    const fs::path with_data = dir.path() / "with.png";
    ProcessResult r =
        run_program(exe, {"--render", s(wav), "-o", s(with_data)}, dir.path() / "elsewhere");
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();

    const fs::path bare = dir.path() / "bare";
    fs::create_directories(bare / "bin");
    fs::copy_file(exe, bare / "bin/pitkad");
    const fs::path without_data = dir.path() / "without.png";
    r = run_program(bare / "bin/pitkad", {"--render", s(wav), "-o", s(without_data)},
                    dir.path() / "elsewhere");
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();

    const QImage a(s(with_data)), b(s(without_data));
    ASSERT_EQ(a.size(), QSize(796, 74 * 4 + 29));
    ASSERT_EQ(b.size(), a.size());
    EXPECT_GT(differing_pixels(a, b, 101, 116), 100);
    // Away from the labels (and the legend, which the colour file draws)
    // the pictures agree.
    EXPECT_EQ(differing_pixels(a.copy(0, 0, 796, 74 * 4), b.copy(0, 0, 796, 74 * 4), 300, 600), 0);
}

TEST_F(InstalledProgram, AnalysesFromAnotherFolder) {
    const ProcessResult r = run_program(
        exe, {"--analyse", s(dir.path() / "recordings/demo.wav"), "--no-cache", "--lang", "en"},
        dir.path() / "elsewhere");
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(" frames, analysed")) << r.out.toStdString();
}

// The window comes from a module beside the program: an option only the
// window's Qt could take reaches it there (which then gives the usage); a
// copy of the program without the module says what it cannot load.
TEST_F(InstalledProgram, LoadsItsWindowFromBesideIt) {
    ProcessResult r = run_program(exe, {"--lang", "en", "--no-such-option"}, dir.path());
    EXPECT_EQ(r.exit_code, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Usage:")) << r.err.toStdString();

    const fs::path bare = dir.path() / "bare";
    fs::create_directories(bare / "bin");
    fs::copy_file(exe, bare / "bin/pitkad");
    r = run_program(bare / "bin/pitkad", {"--lang", "en"}, dir.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(r.err.startsWith("cannot load the window's part: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("lib/pitkad/pitkad-window.so")) << r.err.toStdString();
}

} // namespace
} // namespace pitkad::test
