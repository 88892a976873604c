// `pitkad --render` run as a process: picture sizes, refusals, and the same
// picture the window shows after opening the recording. Also the window's
// command line as a process: refusals, --help and --version.
#include "app/drawing_tools_window.h"
#include "app/main_window.h"
#include "app/status_texts.h"
#include "app/window_args.h"
#include "base/paths.h"
#include "view/time_ruler.h"
#include "window_test_support.h"

#include <QImage>

#include <fstream>

namespace pitkad::test {
namespace {

const fs::path program = PITKAD_PROGRAM;

QString s(const fs::path& p) {
    return QString::fromStdString(p.string());
}

class RenderCli : public ::testing::Test {
  protected:
    RenderCli() {
        fs::copy_file(data_dir / "demo.wav", dir.path() / "demo.wav");
        fs::create_directories(dir.path() / "work");
    }
    TempDir dir;
};

TEST_F(RenderCli, PictureIsGraphWidthByRowsAndLegend) {
    struct Case {
        QStringList options;
        int width, height;
    };
    const Case cases[] = {
        {{}, 796, 74 * 4 + 29},
        {{"--width", "1000", "--line-width", "12"}, 1000, 74 * 12 + 29},
        {{"--width", "592", "--line-width", "7", "--scroll-speed", "4"}, 592, 74 * 7 + 29},
        // Widths follow the window's rules: a multiple of 4, at least 592.
        {{"--width", "1001"}, 1000, 74 * 4 + 29},
        {{"--width", "100", "--line-width", "9"}, 592, 74 * 9 + 29},
        {{"--width", "1912", "--line-width", "12", "--grouping", "--labels", "left,right"},
         1912,
         74 * 12 + 29},
        // Any zoom the window has: the time ruler above, rows of any height.
        {{"--pixels-per-second", "400", "--row-height", "16", "--ruler"}, 796, ruler_height + 74 * 16 + 29},
        {{"--pixels-per-second", "0.5", "--row-height", "3"}, 796, 74 * 3 + 29},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const fs::path out = dir.path() / "out.png";
        fs::remove(out);
        QStringList args{"--render", s(dir.path() / "demo.wav"), "-o", s(out)};
        args += c.options;
        const ProcessResult r = run_program(program, args, dir.path() / "work");
        ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
        const QImage image(s(out));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(c.width, c.height));
    }
    // The first run cached the analysis beside the recording.
    EXPECT_TRUE(fs::exists(dir.path() / "demo.pkd"));
}

// --channel picks the part analysed, each with its cache; without it the
// choice the window remembers for the recording is used.
TEST_F(RenderCli, TheChannelOptionOrTheRememberedChoiceIsAnalysed) {
    const fs::path wav = dir.path() / "demo.wav";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", s(dir.path() / "config"));
    fs::create_directories(dir.path() / "config/PitkaD");
    std::ofstream(dir.path() / "config/PitkaD/PitkaD.ini") << "[AnalysisChannels]\n"
                                                           << path_digest(wav.string()) << "=mid\n";
    const struct {
        QStringList args;
        const char* cache;
    } rows[] = {
        {{"--analyse", s(wav)}, "demo.mid.pkd"},
        {{"--analyse", s(wav), "--channel", "second"}, "demo.ch2.pkd"},
        {{"--render", s(wav), "-o", s(dir.path() / "out.png"), "--channel", "first"}, "demo.pkd"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.cache);
        const ProcessResult r = run_program(program, row.args, dir.path() / "work", env);
        ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
        EXPECT_TRUE(fs::exists(dir.path() / row.cache));
    }
}

TEST(CommandLine, ChannelOption) {
    const struct {
        QStringList args;
        bool bad;
        std::optional<AnalysisChannel> channel;
    } rows[] = {
        {{"--analyse", "a.wav"}, false, std::nullopt},
        {{"--analyse", "a.wav", "--channel", "second"}, false, AnalysisChannel::second},
        {{"--render", "a.wav", "-o", "a.png", "--channel", "mid"}, false, AnalysisChannel::mid},
        {{"--analyse", "a.wav", "--channel", "right"}, true, std::nullopt},
        {{"--analyse", "a.wav", "--channel"}, true, std::nullopt},
        {{"a.wav", "--channel", "first"}, true, std::nullopt},
        {{"--export-csv", "a.wav", "-o", "a.csv", "--channel", "mid"}, true, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        const CommandLine line = parse_command_line(row.args);
        EXPECT_EQ(line.bad, row.bad);
        if (row.bad) continue;
        EXPECT_EQ(line.mode == Mode::analyse ? line.analyse.channel : line.render.channel,
                  row.channel);
    }
}

// --lang goes with every command, first, among the others or last.
TEST(CommandLine, LanguageWithEveryMode) {
    const struct {
        QStringList args;
        Mode mode;
    } rows[] = {
        {{"a.wav"}, Mode::window},
        {{"--analyse", "a.wav"}, Mode::analyse},
        {{"--render", "a.wav", "-o", "a.png"}, Mode::render},
        {{"--export-midi", "a.wav", "-o", "a.mid"}, Mode::export_midi},
        {{"--import-midi", "a.mid", "a.wav"}, Mode::import_midi},
        {{"--export-csv", "a.wav", "-o", "a.csv"}, Mode::export_csv},
        {{"--suggest", "a.wav", "-o", "a.json"}, Mode::suggest},
        {{"--check", "a.wav", "-o", "a.csv"}, Mode::check},
    };
    for (const auto& row : rows)
        for (const qsizetype at : {qsizetype(0), qsizetype(2), row.args.size()}) {
            QStringList args = row.args;
            args.insert(std::min(at, args.size()), "en");
            args.insert(std::min(at, args.size() - 1), "--lang");
            SCOPED_TRACE(args.join(' ').toStdString());
            const CommandLine line = parse_command_line(args);
            EXPECT_FALSE(line.bad);
            EXPECT_EQ(line.mode, row.mode);
            EXPECT_EQ(line.language, Language::english);
        }
}

// A recording that cannot be opened: its message alone on stderr, exit 1,
// no picture.
// Each refused file is named with its message on standard error.
TEST_F(RenderCli, RefusalsPrintTheFileAndMessageAndExitWithOne) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        const char* message;
    };
    const Case cases[] = {
        {"missing", [](const fs::path&) {}, status_texts::cannot_open},
        {"not RIFF",
         [](const fs::path& p) {
             ToneWav w;
             w.riff = "RIFX";
             w.frames = 100;
             write_wav(p, w);
         },
         status_texts::unsupported},
        {"no recording at all",
         [](const fs::path& p) { std::ofstream(p, std::ios::binary) << "plain text, not sound"; },
         status_texts::unsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path wav = dir.path() / "bad.wav";
        fs::remove(wav);
        c.make(wav);
        const fs::path out = dir.path() / "bad.png";
        const ProcessResult r =
            run_program(program, {"--render", s(wav), "-o", s(out)}, dir.path() / "work");
        EXPECT_EQ(r.exit_code, 1);
        // The message, with the reason a decoder gives after it.
        EXPECT_TRUE(r.err.startsWith(s(wav) + ": " + c.message)) << r.err.toStdString();
        EXPECT_TRUE(r.err.endsWith("\n"));
        EXPECT_FALSE(fs::exists(out));
    }
    // --analyse names each failing file, goes on with the others, exits 1.
    const fs::path good = dir.path() / "good.wav";
    ToneWav w;
    w.frames = 4410;
    write_wav(good, w);
    const fs::path missing = dir.path() / "missing.wav";
    const ProcessResult r =
        run_program(program, {"--analyse", s(missing), s(good)}, dir.path() / "work");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, s(missing) + ": " + status_texts::cannot_open + "\n");
    EXPECT_TRUE(r.out.contains(s(good) + ": 5 フレーム")) << r.out.toStdString();
}

TEST_F(RenderCli, BadArgumentsShowUsage) {
    const QStringList cases[] = {
        {"--render"},
        {"--render", "x.wav"},
        {"--render", "x.wav", "-o", "x.png", "--line-width", "13"},
        {"--render", "x.wav", "-o", "x.png", "--scroll-speed", "3"},
        {"--render", "x.wav", "-o", "x.png", "--pixels-per-second", "801"},
        {"--render", "x.wav", "-o", "x.png", "--pixels-per-second", "fast"},
        {"--render", "x.wav", "-o", "x.png", "--row-height", "25"},
        {"--render", "x.wav", "-o", "x.png", "--bogus"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ProcessResult r = run_program(program, args, dir.path() / "work");
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_TRUE(r.err.startsWith("使い方: pitkad --render")) << r.err.toStdString();
    }
}

// The window's practice options refuse bad values before any window opens.
TEST_F(RenderCli, WindowPracticeOptionsRefuseBadValues) {
    const QStringList cases[] = {
        {"x.wav", "--speed", "300"},
        {"x.wav", "--transpose", "x"},
        {"x.wav", "--cents", "-60"},
        {"x.wav", "--loop", "5-2"},
        {"x.wav", "--lang", "fr"},
        {"--bogus", "1"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ProcessResult r = run_program(program, args, dir.path() / "work");
        EXPECT_EQ(r.exit_code, 2);
        // Qt may have written a note of its own first.
        EXPECT_TRUE(r.err.contains(q(usage_source))) << r.err.toStdString();
    }
}

// --help and --version answer on standard output without a display: with
// none to connect to, making the application would fail.
TEST_F(RenderCli, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    env.insert("QT_QPA_PLATFORM", "xcb");
    struct Case {
        QStringList args;
        QString out;
    };
    const Case cases[] = {
        {{"--help"}, q(usage_source)},
        {{"x.wav", "--speed", "60", "--help"}, q(usage_source)},
        {{"--version"}, "PitkaD 1.00\n"},
        // Only the start: the English usage is the translation's.
        {{"--lang", "en", "--help"}, "Usage:\n  pitkad [FILE]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ProcessResult r = run_program(program, c.args, dir.path() / "work", env);
        EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(c.out)) << r.out.toStdString();
        EXPECT_EQ(r.err, "");
    }
}

// The render is what the window shows after opening the same recording,
// with its drawing, under the same settings (the window starts with the loudness correction
// on, since the build's table is found).
TEST_F(RenderCli, SamePictureAsTheWindow) {
    Window w = make_window(1200);
    MainWindow& f = *w.form;
    f.on_line_width_chosen(5);
    ASSERT_TRUE(f.open_recording(s(dir.path() / "demo.wav")));
    ASSERT_TRUE(f.menus->loudness_action->isChecked());
    // A drawing saved beside the recording shows in both.
    const QImage undrawn = f.graph_view().graph_bitmap.copy();
    for (int t = 40; t < 90; ++t)
        f.doc.drawing[t].note_cell(50) = 3;
    f.doc.drawing[120].line_mark() = 5;
    f.doc.drawing.modified = true;
    ASSERT_TRUE(f.session().save());
    f.write_graph();
    const QImage shown = f.graph_view().graph_bitmap;
    ASSERT_NE(shown, undrawn);
    ASSERT_EQ(shown.size(), QSize(796, 74 * 5 + 29));

    const fs::path out = dir.path() / "window.png";
    const ProcessResult r = run_program(
        program,
        // The window paints its note labels as text over its picture, so
        // the pictures are compared without them.
        {"--render", s(dir.path() / "demo.wav"), "-o", s(out), "--line-width", "5", "--loudness",
         "--labels", "none"},
        dir.path() / "work");
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
    const QImage rendered = QImage(s(out)).convertToFormat(shown.format());
    ASSERT_EQ(rendered.size(), shown.size());
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (rendered.pixel(x, y) != shown.pixel(x, y)) ++differing;
    EXPECT_EQ(differing, 0);
}

} // namespace
} // namespace pitkad::test
