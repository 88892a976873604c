// `pitkad --export-midi`, `--import-midi` and `--export-csv` run as
// processes on a generated recording with a drawing beside it.
#include <QJsonDocument>
#include <QJsonObject>
#include "app/status_texts.h"
#include "drawing/csv_export.h"
#include "drawing/draw_file.h"
#include "drawing/midi_file.h"
#include "window_test_support.h"

#include <sys/stat.h>

namespace pitkad::test {
namespace {

const fs::path program = PITKAD_PROGRAM;

QString s(const fs::path& p) {
    return QString::fromStdString(p.string());
}

constexpr int frames = 100; // the two-second tone

class ExchangeCli : public ::testing::Test {
  protected:
    ExchangeCli() {
        wav = small_recording(dir.path());
        fs::create_directories(dir.path() / "work");
        for (int f = 10; f < 30; ++f)
            (*drawing)[f].note_cell(40) = 3;
        for (int f = 50; f < 60; ++f)
            (*drawing)[f].note_cell(20) = 12;
        for (int f : {0, 24, 50, 74})
            (*drawing)[f].line_mark() = 16;
        channels.program[3] = 40;
    }
    ProcessResult run(const QStringList& args) {
        return run_program(program, args, dir.path() / "work");
    }
    void save_drawing() { ASSERT_TRUE(save_draw_data(pkc().string(), *drawing, frames, channels)); }
    fs::path pkc() const { return dir.path() / "tone.pkc"; }

    TempDir dir;
    fs::path wav;
    std::unique_ptr<DrawData> drawing = std::make_unique<DrawData>();
    MidiChannelSettings channels;
};

TEST_F(ExchangeCli, ExportMidiWritesTheFileOfTheDrawingBesideTheRecording) {
    save_drawing();
    struct Case {
        QStringList options;
        MidiExportOptions want;
    };
    const Case cases[] = {
        {{}, {}},
        {{"--lines", "bars", "--beats-per-bar", "3"}, {true, 3, 0, {}}},
        {{"--lines", "beats", "--quantise", "4"}, {false, 4, 4, {}}},
        {{"--tempo", "bars"}, {false, 4, 0, {}, MidiTempoMarks::per_bar}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const fs::path out = dir.path() / "out.mid";
        const ProcessResult r = run(QStringList{"--export-midi", s(wav), "-o", s(out)} + c.options);
        ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
        EXPECT_EQ(read_file(out), build_midi_file(*drawing, frames, channels, c.want));
    }
}

TEST_F(ExchangeCli, ImportMidiWritesTheDrawingFileAndReplacesOnlyWhenAsked) {
    const fs::path in = dir.path() / "in.mid";
    write_file(in, build_midi_file(*drawing, frames, channels, {}));
    auto drawn_notes_of_file = [&] {
        const DrawFileRead file = read_draw_file(pkc().string(), frames);
        EXPECT_TRUE(file.ok());
        auto d = std::make_unique<DrawData>();
        MidiChannelSettings t;
        if (file.ok()) apply_draw_file(file.image, *d, t);
        return drawn_notes(*d, frames);
    };

    ProcessResult r = run({"--import-midi", s(in), s(wav)});
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(q(status_texts::midi_read_notes) + "2")) << r.out.toStdString();
    EXPECT_EQ(drawn_notes_of_file(), drawn_notes(*drawing, frames));

    // A drawing is there now: refused without --replace, the file as it was.
    const auto before = read_file(pkc());
    r = run({"--import-midi", s(in), s(wav), "--lines", "beats"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(r.err.startsWith(s(pkc()) + ": ")) << r.err.toStdString();
    EXPECT_EQ(read_file(pkc()), before);

    // A refused file changes nothing, even with --replace.
    const fs::path bad = dir.path() / "bad.mid";
    write_file(bad, {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1});
    r = run({"--import-midi", s(bad), s(wav), "--replace"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(r.err.startsWith(s(bad) + ": " + q(status_texts::midi_refused)))
        << r.err.toStdString();
    EXPECT_EQ(read_file(pkc()), before);

    r = run({"--import-midi", s(in), s(wav), "--replace", "--lines", "beats"});
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
    EXPECT_EQ(drawn_notes_of_file(), drawn_notes(*drawing, frames));
    EXPECT_NE(read_file(pkc()), before); // the line marks of the file's beats
}

TEST_F(ExchangeCli, ExportCsvWritesTheAnalysisAndTheNotes) {
    save_drawing();
    const fs::path out = dir.path() / "a.csv", notes = dir.path() / "n.csv";
    const ProcessResult r = run({"--export-csv", s(wav), "-o", s(out), "--notes", s(notes)});
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
    const auto text = read_file(out);
    const std::string csv(text.begin(), text.end());
    EXPECT_EQ(csv.rfind("time,B1,C2,", 0), 0u);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + frames);
    EXPECT_NE(csv.find("\n1.98,"), std::string::npos);
    const auto n = read_file(notes);
    EXPECT_EQ(std::string(n.begin(), n.end()), notes_csv(*drawing, frames));
}

// --suggest writes every list, and the tuning when the sound tells it; a
// missing output is a usage error.
TEST_F(ExchangeCli, SuggestWritesJson) {
    const fs::path out = dir.path() / "s.json";
    ProcessResult r = run({"--suggest", s(wav), "-o", s(out)});
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
    const auto bytes = read_file(out);
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                           qsizetype(bytes.size())))
            .object();
    for (const char* list : {"key", "beats", "downbeats", "chords", "notes"})
        EXPECT_TRUE(json[list].isArray()) << list;
    EXPECT_TRUE(json.contains("tuning"));
    EXPECT_EQ(run({"--suggest", s(wav)}).exit_code, 2);
}

// --check writes a row per drawn note (and per missing note) after its
// header; without a drawing there is nothing to check.
TEST_F(ExchangeCli, CheckWritesAVerdictPerNoteAndNeedsADrawing) {
    const fs::path out = dir.path() / "check.csv";
    const ProcessResult none = run({"--check", s(wav), "-o", s(out)});
    EXPECT_EQ(none.exit_code, 1);
    EXPECT_TRUE(none.err.contains(s(wav))) << none.err.toStdString();
    save_drawing();
    const ProcessResult r = run({"--check", s(wav), "-o", s(out)});
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
    const auto bytes = read_file(out);
    const std::string csv(bytes.begin(), bytes.end());
    EXPECT_EQ(csv.rfind("start,end,pitch,name,colour,verdict,confidence\n", 0), 0u);
    EXPECT_NE(csv.find("\n0.20,0.60,73,C#5,3,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n1.00,1.20,53,F3,12,"), std::string::npos) << csv;
}

// A drawing the window saved elsewhere for the recording is the one read.
TEST_F(ExchangeCli, ReadsTheDrawingWhereTheWindowSavedIt) {
    const fs::path elsewhere = dir.path() / "work" / "kept.pkc";
    ASSERT_TRUE(save_draw_data(elsewhere.string(), *drawing, frames, channels));
    ASSERT_TRUE(SettingsFile(settings_file_path())
                    .set_drawing_file_for(s(fs::absolute(wav)), s(elsewhere)));
    const fs::path notes = dir.path() / "n.csv";
    const ProcessResult r =
        run({"--export-csv", s(wav), "-o", s(dir.path() / "a.csv"), "--notes", s(notes)});
    SettingsFile(settings_file_path()).set_drawing_file_for(s(fs::absolute(wav)), {});
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
    const auto n = read_file(notes);
    EXPECT_EQ(std::string(n.begin(), n.end()), notes_csv(*drawing, frames));
}

// A drawing file that cannot be read ends the command with its reason; one
// made for another frame count is used, cut or padded, after a notice.
TEST_F(ExchangeCli, DrawingFilesThatCannotBeReadOrDoNotFitAreReported) {
    const fs::path out = dir.path() / "o.mid";
    // A loop of links, then a damaged file: neither is read, written over
    // or exported as an empty drawing.
    fs::create_symlink("loop.pkc", pkc());
    fs::create_symlink("tone.pkc", dir.path() / "loop.pkc");
    for (const bool damaged : {false, true}) {
        if (damaged) {
            fs::remove(pkc());
            test::write_file(pkc(), {1, 2, 3});
        }
        for (const QStringList& args :
             {QStringList{"--export-midi", s(wav), "-o", s(out)},
              QStringList{"--import-midi", s(out), s(wav), "--replace"}}) {
            SCOPED_TRACE(args.join(' ').toStdString());
            const ProcessResult r = run(args);
            EXPECT_EQ(r.exit_code, 1);
            EXPECT_TRUE(r.err.startsWith(s(pkc()) + ": ")) << r.err.toStdString();
            EXPECT_FALSE(fs::exists(out));
        }
    }
    EXPECT_EQ(read_file(pkc()), (std::vector<std::uint8_t>{1, 2, 3}));
    fs::remove(pkc());
    ASSERT_TRUE(save_draw_data(pkc().string(), *drawing, frames + 2, channels));
    const fs::path notes = dir.path() / "n.csv";
    const ProcessResult r =
        run({"--export-csv", s(wav), "-o", s(dir.path() / "a.csv"), "--notes", s(notes)});
    ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith(s(pkc()) + ": ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::number(frames + 2))) << r.err.toStdString();
    const auto n = read_file(notes);
    EXPECT_EQ(std::string(n.begin(), n.end()), notes_csv(*drawing, frames));
}

// A pipe at the cache's or the drawing file's name is never waited for: the
// export goes on without the cache, or ends naming the drawing file.
TEST_F(ExchangeCli, APipeBesideTheRecordingNeverHoldsTheExportUp) {
    save_drawing();
    const fs::path out = dir.path() / "o.mid";
    const struct {
        const char* name;
        fs::path pipe;
        int exit_code;
    } rows[] = {{"cache", dir.path() / "tone.pkd", 0}, {"drawing", pkc(), 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.pipe == pkc()) fs::remove(pkc());
        ASSERT_EQ(::mkfifo(row.pipe.c_str(), 0644), 0);
        QProcess p;
        p.setWorkingDirectory(s(dir.path() / "work"));
        p.start(QString::fromStdString(program.string()), {"--export-midi", s(wav), "-o", s(out)});
        const bool finished = p.waitForFinished(30000);
        if (!finished) {
            p.kill();
            p.waitForFinished();
        }
        ASSERT_TRUE(finished) << "still waiting for the pipe";
        EXPECT_EQ(p.exitCode(), row.exit_code) << p.readAllStandardError().toStdString();
        fs::remove(row.pipe);
    }
}

TEST_F(ExchangeCli, FailuresNameTheFileAndBadOptionsShowUsage) {
    const fs::path missing = dir.path() / "missing.wav";
    const fs::path out = dir.path() / "o";
    const QStringList refused[] = {
        {"--export-midi", s(missing), "-o", s(out)},
        {"--export-csv", s(missing), "-o", s(out)},
        {"--import-midi", s(out), s(missing)},
    };
    for (const QStringList& args : refused) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ProcessResult r = run(args);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_TRUE(r.err.startsWith(s(missing) + ": ")) << r.err.toStdString();
        EXPECT_FALSE(fs::exists(out));
    }
    const QStringList bad[] = {
        {"--export-midi", s(wav)},
        {"--export-midi", s(wav), "-o", "x.mid", "--lines", "bar"},
        {"--export-midi", s(wav), "-o", "x.mid", "--beats-per-bar", "8"},
        {"--export-midi", s(wav), "-o", "x.mid", "--quantise", "1"},
        {"--export-midi", s(wav), "-o", "x.mid", "--replace"},
        {"--export-midi", s(wav), "-o", "x.mid", "--tempo", "beats"},
        {"--import-midi", s(wav)},
        {"--import-midi", "in.mid", s(wav), "--drums", "17"},
        {"--import-midi", "in.mid", s(wav), "-o", "x"},
        {"--export-csv", s(wav), "-o"},
        {"--export-csv", s(wav), "-o", "x.csv", "--quantise", "4"},
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ProcessResult r = run(args);
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_TRUE(r.err.startsWith("使い方: pitkad " + args[0])) << r.err.toStdString();
    }
}

// Every mode answers in the language of --lang, else of the settings file,
// else Japanese: the mode's usage after an unknown option or a missing or
// bad value (exit 2), its failures and what it wrote.
TEST_F(ExchangeCli, EveryModeAnswersInTheLanguageInForce) {
    save_drawing();
    const fs::path in = dir.path() / "in.mid";
    write_file(in, build_midi_file(*drawing, frames, channels, {}));
    const QString out = s(dir.path() / "out"), unwritable = s(dir.path() / "no" / "out");
    const QString midi_bytes =
        QString::number(build_midi_file(*drawing, frames, channels, {}).size());
    struct Case {
        QStringList args;
        const char* settings; // the settings file's language; null: no file
        int exit_code;
        bool on_stderr;
        QString text; // in that stream
    };
    // clang-format off
    const Case cases[] = {
        {{"--analyse", "--bogus", s(wav)}, nullptr, 2, true, "使い方: pitkad --analyse"},
        {{"--lang", "en", "--analyse", "--bogus", s(wav)}, "ja", 2, true, "usage: pitkad --analyse"},
        {{"--render", s(wav), "-o", out, "--bogus"}, "en", 2, true, "usage: pitkad --render"},
        {{"--export-midi", s(wav), "-o", out, "--quantise"}, nullptr, 2, true,
         "使い方: pitkad --export-midi"},
        {{"--import-midi", s(in), s(wav), "--speed", "60", "--lang", "en"}, nullptr, 2, true,
         "usage: pitkad --import-midi"},
        {{"--export-csv", s(wav), "--render", "-o", out}, nullptr, 2, true, "使い方:\n  pitkad ["},
        {{"--bogus", "--lang", "en"}, nullptr, 2, true, "Usage:\n  pitkad [FILE]"},
        {{"--speed", "300"}, "en", 2, true, "Usage:\n  pitkad [FILE]"},
        // Qt's own options are the window's too.
        {{"-platform", "offscreen", "--help"}, "en", 0, false, "Usage:\n  pitkad [FILE]"},
        {{"--analyse", s(wav), "--lang", "en"}, "ja", 0, false, s(wav) + ": 100 frames, "},
        {{"--analyse", s(wav)}, nullptr, 0, false, s(wav) + ": 100 フレーム、"},
        {{"--export-midi", s(wav), "-o", out}, "en", 0, false, out + ": " + midi_bytes + " bytes\n"},
        {{"--export-csv", s(wav), "-o", out, "--lang", "ja"}, "en", 0, false,
         out + ": 100 フレーム\n"},
        {{"--export-csv", s(wav), "-o", unwritable}, "en", 1, true,
         unwritable + ": cannot be written\n"},
        {{"--render", s(wav), "-o", unwritable}, nullptr, 1, true, unwritable + ": 書けません\n"},
        {{"--import-midi", s(in), s(wav)}, "en", 1, true,
         s(pkc()) + ": a drawing exists; --replace replaces it\n"},
        {{"--import-midi", s(in), s(wav), "--replace", "--lang", "en"}, nullptr, 0, false,
         s(pkc()) + ": Notes read: 2"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString() + " " + (c.settings ? c.settings : "-"));
        fs::remove(settings_file_path().toStdString());
        if (c.settings) {
            ASSERT_TRUE(SettingsFile(settings_file_path()).set_language(c.settings));
        }
        const ProcessResult r = run(c.args);
        EXPECT_EQ(r.exit_code, c.exit_code) << r.err.toStdString();
        EXPECT_TRUE((c.on_stderr ? r.err : r.out).contains(c.text))
            << r.out.toStdString() << r.err.toStdString();
    }
    fs::remove(settings_file_path().toStdString());
}

} // namespace
} // namespace pitkad::test
