#include "control/settings_file.h"

#include "base/paths.h"
#include "midi/channel_settings.h"
#include "tests/common/restricted.h"
#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include <string>
#include <sys/stat.h>

using namespace pitkad;

namespace {

QByteArray read_all(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write_all(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// Every key away from its default.
Settings changed_settings() {
    Settings s;
    s.default_dir = QString::fromUtf8("/home/user/録音");
    s.loudness = true;
    s.grouping_color = true;
    s.left_note = false;
    s.right_note = true;
    s.help_freq = true;
    s.help_note = true;
    s.time_in_seconds = true;
    s.check_candidates = false;
    s.forward = 10000;
    s.back1 = -1000;
    s.back2 = -200;
    s.scroll_speed = 4;
    s.sensitivity = 75;
    s.color = 33;
    s.delay = 12;
    s.program = 40;
    s.volume = 90;
    s.line_width = 9;
    s.maximized = true;
    s.width = 1024;
    s.left = 120;
    s.top = 64;
    s.tools_place = QPoint(900, -20);
    s.speed = 75;
    s.transpose = -3;
    s.cents = 20;
    s.engine = 1;
    s.loop_pause = 500;
    s.channels = 4;
    return s;
}

// Qt's reader, with which some cases check what other programs see, keeps a
// parsed file per path for the life of the process: those cases read each
// file name once.
struct IniFolder {
    test::TempDir dir;
    int n = 0;
    QString path() const { return QString::fromStdString(dir.path().string()); }
    QString ini() const { return path() + "/PitkaD.ini"; }
    QString fresh() { return path() + QStringLiteral("/PitkaD%1.ini").arg(++n); }
};

// A model of its own for each read or save, as at the program's next start.
Settings read_settings(const QString& path, const Settings& defaults) {
    return SettingsFile(path).settings(defaults);
}

bool write_settings(const QString& path, const Settings& settings) {
    return SettingsFile(path).save(settings);
}

} // namespace

TEST(Settings, DefaultsWithoutAFile) {
    IniFolder t;
    // What a first start shows.
    const Settings d;
    EXPECT_TRUE(d.default_dir.isEmpty());
    EXPECT_TRUE(d.left_note);
    EXPECT_FALSE(d.loudness || d.grouping_color || d.right_note || d.help_freq || d.help_note);
    EXPECT_EQ(d.forward, 5000);
    EXPECT_EQ(d.back1, -5000);
    EXPECT_EQ(d.back2, -500);
    EXPECT_EQ(d.scroll_speed, 1);
    EXPECT_EQ(d.sensitivity, 40);
    EXPECT_EQ(d.color, 0);
    EXPECT_EQ(d.delay, 0);
    EXPECT_EQ(d.program, 0);
    EXPECT_EQ(d.volume, 127);
    EXPECT_FALSE(d.maximized);
    EXPECT_EQ(d.width, 804);
    EXPECT_EQ(d.left, 0);
    EXPECT_EQ(d.top, 0);

    // The state at start-up is passed in as the defaults and comes back as is.
    Settings start;
    start.loudness = true; // "loudness.dat" loaded
    start.line_width = 7;  // from the screen height
    EXPECT_EQ(read_settings(t.ini(), start), start);
    for (const char* text : {"[Other]\nA=1\n", "", "not an ini file at all\n[\n=\n"}) {
        const QString path = t.fresh();
        write_all(path, text);
        EXPECT_EQ(read_settings(path, start), start) << text;
    }
}

TEST(Settings, RoundTripOfAllKeysInTheirOrder) {
    IniFolder t;
    const Settings s = changed_settings();
    ASSERT_TRUE(write_settings(t.ini(), s));
    EXPECT_EQ(read_settings(t.ini(), Settings{}), s);
    EXPECT_EQ(read_all(t.ini()), QByteArray("[Dir]\n"
                                            "DefaultDir=/home/user/録音\n"
                                            "\n"
                                            "[View]\n"
                                            "Loudness=1\n"
                                            "GroupingColor=1\n"
                                            "LeftNote=0\n"
                                            "RightNote=1\n"
                                            "HelpFreq=1\n"
                                            "HelpNote=1\n"
                                            "TimeInSeconds=1\n"
                                            "CheckCandidates=0\n"
                                            "\n"
                                            "[Player]\n"
                                            "Forward=10000\n"
                                            "Back1=-1000\n"
                                            "Back2=-200\n"
                                            "\n"
                                            "[Graphics]\n"
                                            "ScrollSpeed=4\n"
                                            "Sensitivity=75\n"
                                            "Color=33\n"
                                            "\n"
                                            "[MIDI]\n"
                                            "Delay=12\n"
                                            "Program=40\n"
                                            "Volume=90\n"
                                            "\n"
                                            "[Window]\n"
                                            "LineWidth=9\n"
                                            "Maximized=1\n"
                                            "Width=1024\n"
                                            "Left=120\n"
                                            "Top=64\n"
                                            "ToolsLeft=900\n"
                                            "ToolsTop=-20\n"
                                            "\n"
                                            "[Practice]\n"
                                            "Speed=75\n"
                                            "Transpose=-3\n"
                                            "Cents=20\n"
                                            "Engine=1\n"
                                            "LoopPause=500\n"
                                            "Channels=4\n"));
    // A second save over the first changes nothing.
    const QByteArray first = read_all(t.ini());
    ASSERT_TRUE(write_settings(t.ini(), s));
    EXPECT_EQ(read_all(t.ini()), first);
    EXPECT_EQ(QDir(t.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"PitkaD.ini"}); // no temporary file left behind
}

TEST(Settings, MaximisedWindowStoresItsNormalPlacement) {
    IniFolder t;
    for (bool maximized : {true, false}) {
        SCOPED_TRACE(maximized);
        Settings s;
        store_window_placement(s, maximized, QRect(30, 40, 1000, 600));
        const QString path = t.fresh();
        ASSERT_TRUE(write_settings(path, s));
        const QByteArray text = read_all(path);
        EXPECT_TRUE(text.contains(maximized ? "Maximized=1\nWidth=1000\nLeft=30\nTop=40\n"
                                            : "Maximized=0\nWidth=1000\nLeft=30\nTop=40\n"));
        const Settings back = read_settings(path, Settings{});
        EXPECT_EQ(back.maximized, maximized);
        EXPECT_EQ(QRect(back.left, back.top, back.width, 600), QRect(30, 40, 1000, 600));
    }
}

TEST(Settings, ProgramAndVolumeBelongToChannelZeroOnly) {
    IniFolder t;
    MidiChannelSettings channels;
    for (std::size_t n = 0; n < 9; ++n) {
        channels.program[n] = 50 + int(n);
        channels.volume[n] = 60 + int(n);
    }
    channels.delay = 6;
    Settings s;
    capture_midi_settings(s, channels);
    EXPECT_EQ(s.program, 50);
    EXPECT_EQ(s.volume, 60);
    EXPECT_EQ(s.delay, 6);
    ASSERT_TRUE(write_settings(t.ini(), s));

    // The next start: the channels start with program 0 and volume 127
    // everywhere, then the settings set channel 0 alone.
    MidiChannelSettings next;
    apply_midi_settings(read_settings(t.ini(), Settings{}), next);
    EXPECT_EQ(next.program[0], 50);
    EXPECT_EQ(next.volume[0], 60);
    EXPECT_EQ(next.delay, 6);
    for (std::size_t n = 1; n < 9; ++n) {
        EXPECT_EQ(next.program[n], 0);
        EXPECT_EQ(next.volume[n], 127);
    }

    // Without a synthesizer the port never opens: the click channel's
    // velocity is still the full 127 that the next start reads back.
    const MidiChannelSettings unopened;
    for (int v : unopened.volume)
        EXPECT_EQ(v, 127);
    Settings without;
    capture_midi_settings(without, unopened);
    EXPECT_EQ(without.volume, 127);
    const QString path = t.fresh();
    ASSERT_TRUE(write_settings(path, without));
    EXPECT_TRUE(read_all(path).contains("\nVolume=127\n"));
}

TEST(Settings, UnknownKeysAndSectionsAreKept) {
    IniFolder t;
    write_all(t.ini(), "[Other]\n"
                       "Name=keep me\n"
                       "[View]\n"
                       "; a comment\n"
                       "Loudness=1\n"
                       "Zoom=3\n"
                       "\n"
                       "[Player]\r\n"
                       "Forward=2000\r\n"
                       "Forward2=\"a,b\"\r\n"
                       "[Window]\n"
                       "Top=5\n"
                       "Height=700\n");
    Settings s;
    s.forward = 7000;
    ASSERT_TRUE(write_settings(t.ini(), s));

    const QByteArray text = read_all(t.ini());
    EXPECT_EQ(text.count("Forward="), 1);
    EXPECT_EQ(text.count("Loudness="), 1);
    EXPECT_EQ(text.count("Top="), 1);
    EXPECT_TRUE(text.contains("; a comment\n"));
    QSettings ini(t.ini(), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Other/Name").toString(), "keep me");
    EXPECT_EQ(ini.value("View/Zoom").toInt(), 3);
    EXPECT_EQ(ini.value("View/Loudness").toInt(), 0);
    EXPECT_EQ(ini.value("Player/Forward").toInt(), 7000);
    EXPECT_EQ(ini.value("Player/Forward2").toString(), "a,b");
    EXPECT_EQ(ini.value("Window/Height").toInt(), 700);
    EXPECT_EQ(ini.value("Window/Top").toInt(), 0);
    EXPECT_EQ(read_settings(t.ini(), changed_settings()), s);
}

// Closing keeps the view and practice state: those keys change (each line
// of a repeated one), every other line stays as it was.
TEST(Settings, ClosingWritesOnlyTheStateKeys) {
    IniFolder t;
    write_all(t.ini(), "; mine\n"
                       "[View]\n"
                       "Loudness=0\n"
                       "[Graphics]\n"
                       "Sensitivity=10\n"
                       "[Window]\n"
                       "LineWidth=5\n"
                       "Height=700\n"
                       "[Practice]\n"
                       "Speed=80\n"
                       "Engine=0\n"
                       "Speed=90\n"
                       "[Other]\n"
                       "Name=x\n");
    const Settings s = changed_settings();
    ASSERT_TRUE(SettingsFile(t.ini()).save_state(s));
    const QString full = t.fresh();
    ASSERT_TRUE(write_settings(full, s));
    const IniText got(read_all(t.ini())), want(read_all(full));
    for (const StateKey& k : state_keys)
        EXPECT_EQ(got.value(k.section, k.key), want.value(k.section, k.key)) << k.key;
    EXPECT_EQ(got.text().count("Speed=75\n"), 2);
    for (const char* kept : {"; mine\n", "Loudness=0\n", "Sensitivity=10\n", "Height=700\n",
                             "Engine=0\n", "[Other]\nName=x\n"})
        EXPECT_TRUE(got.text().contains(kept)) << kept;
    // Without the tool window's place, the stored one stays.
    Settings no_tools = s;
    no_tools.tools_place.reset();
    ASSERT_TRUE(SettingsFile(t.ini()).save_state(no_tools));
    EXPECT_EQ(read_settings(t.ini(), Settings{}).tools_place, s.tools_place);
    // A zoom and a row height off the presets come back; back on a preset,
    // their keys go.
    Settings zoomed = s;
    zoomed.zoom = 12345;
    zoomed.row_height = 17;
    ASSERT_TRUE(SettingsFile(t.ini()).save_state(zoomed));
    const Settings back = read_settings(t.ini(), Settings{});
    EXPECT_EQ(std::pair(back.zoom, back.row_height), std::pair(12345, 17));
    ASSERT_TRUE(SettingsFile(t.ini()).save_state(s));
    EXPECT_FALSE(read_all(t.ini()).contains("Zoom="));
    EXPECT_FALSE(read_all(t.ini()).contains("RowHeight="));
}

TEST(Settings, StrayLinesOfTheOldFileNeverHideOurKeys) {
    // Each old file holds one line the INI reader would let run on or file
    // elsewhere; after a save every key of ours reads back as written.
    const char* olds[] = {
        "[View]\nZoom=\"abc\n",                          // unbalanced quote in our section
        "[Other]\nName=\"open\n[View]\nLoudness=0\n",    // ... in a foreign section
        "Stray=\"top\n[Dir]\n",                          // ... before the first section
        "[View\\\nA=1\n[Player]\n",                       // header-like line
        "[View]\nNote=a\\\n[Window]\nTop=3\n",            // continuation into the next section
        "[Window]\n\"Maximized\"=0\n; c \" x\n[View]\n",  // quoted key, quote in a comment
        "[Dir]\nDefaultDir=\"/a\n[Ot\"her]\nX=1\n",
    };
    Settings want = changed_settings();
    want.default_dir = QString::fromUtf8("/home/user/\xF0\x9F\x8E\xB5 曲"); // outside the basic plane
    for (const char* old : olds) {
        IniFolder t;
        write_all(t.ini(), old);
        ASSERT_TRUE(write_settings(t.ini(), want)) << old;
        EXPECT_EQ(read_settings(t.ini(), Settings{}), want) << old << "\n--- written:\n"
                                                           << read_all(t.ini()).toStdString();
    }
    // Well-formed foreign lines survive, after our sections.
    IniFolder t;
    write_all(t.ini(), "; mine\nTheme=dark\n[Other]\nName=keep\n");
    ASSERT_TRUE(write_settings(t.ini(), want));
    const QByteArray text = read_all(t.ini());
    EXPECT_TRUE(text.startsWith("; mine\n"));
    EXPECT_GT(text.indexOf("[Other]"), text.indexOf("[Window]"));
    QSettings ini(t.ini(), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Theme").toString(), "dark");
    EXPECT_EQ(ini.value("Other/Name").toString(), "keep");
}

// A file rewritten at once with the same length reads back new, not from a
// cache of the earlier read (found by fuzzing).
TEST(Settings, RewrittenAtOnceReadsTheNewValues) {
    IniFolder t;
    Settings s;
    for (int i = 0; i < 20; ++i) {
        s.forward = i % 2 ? 1000 : 2000;
        ASSERT_TRUE(write_settings(t.ini(), s));
        ASSERT_EQ(read_settings(t.ini(), Settings{}).forward, s.forward) << i;
    }
}

// Two running copies: what one writes at once, the other reads at once,
// however alike in length, and keeps when it writes.
TEST(Settings, AnotherCopysChangesAreSeen) {
    IniFolder t;
    write_all(t.ini(), "[Other]\nA=1\n");
    SettingsFile copies[2]{SettingsFile(t.ini()), SettingsFile(t.ini())};
    const QString recording = "/cd/take.wav";
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        SettingsFile& writer = copies[i % 2];
        SettingsFile& reader = copies[1 - i % 2];
        const QString language = i % 2 ? "en" : "ja";
        const QStringList recent{QString("/m/%1.wav").arg(i % 10)};
        const QString drawing = QString("/d/%1.pkc").arg(9 - i % 10);
        switch (i % 3) { // each write keeps the sections the other copy wrote before
        case 0:
            ASSERT_TRUE(writer.set_language(language));
            ASSERT_TRUE(writer.set_recent_files(recent));
            ASSERT_TRUE(writer.set_drawing_file_for(recording, drawing));
            break;
        case 1:
            ASSERT_TRUE(writer.set_drawing_file_for(recording, drawing));
            ASSERT_TRUE(writer.set_language(language));
            ASSERT_TRUE(writer.set_recent_files(recent));
            break;
        default:
            ASSERT_TRUE(writer.set_recent_files(recent));
            ASSERT_TRUE(writer.set_drawing_file_for(recording, drawing));
            ASSERT_TRUE(writer.set_language(language));
        }
        EXPECT_EQ(reader.language(), language);
        EXPECT_EQ(reader.recent_files(), recent);
        EXPECT_EQ(reader.drawing_file_for(recording), drawing);
    }
    // A save by the copy that read last keeps what the other wrote.
    ASSERT_TRUE(copies[1].save(changed_settings()));
    SettingsFile next(t.ini());
    EXPECT_EQ(next.language(), "en");
    EXPECT_EQ(next.recent_files(), QStringList{"/m/9.wav"});
    EXPECT_EQ(next.drawing_file_for(recording), "/d/0.pkc");
    EXPECT_EQ(next.settings(Settings{}), changed_settings());
    EXPECT_TRUE(read_all(t.ini()).contains("[Other]\nA=1\n"));
}

// Values read as Qt's INI reader reads them, so that files written through
// it read the same: the quotes, escapes, lists and "@" forms of its format,
// comments, blanks, and the last of repeated keys and sections.
TEST(Settings, ValuesReadAsQtReadsThem) {
    const char* values[] = {
        "plain text",
        "  blanks around \t ",
        "a , b,,c",
        "\" quoted , \"  tail",
        "\"a\"\"b\"",
        "a;comment",
        "\"a;b\" ; comment",
        "\\\"x\\\\y\\t\\n\\a\\?\\'\\q",
        "\\x41\\x4a\\x1g\\x",
        "a\\x41b",
        "\\101z\\0",
        "\\xd83c\\xdfb5 \xF0\x9F\x8E\xB5 曲",
        "a \\t ",
        "@@x",
        "@x",
        "@String(a,b)",
        "@ByteArray(abc)",
        "x, @@y",
        "",
    };
    IniFolder t;
    for (const char* value : values) {
        SCOPED_TRACE(value);
        const QString path = t.fresh();
        write_all(path,
                  QByteArray("[Dir]\nDefaultDir=old\n[Other]\n[Dir]\nDefaultDir=") + value + "\n");
        const QVariant qt = QSettings(path, QSettings::IniFormat).value("Dir/DefaultDir");
        const QString want =
            qt.typeId() == QMetaType::QStringList ? qt.toStringList().join(',') : qt.toString();
        EXPECT_EQ(read_settings(path, Settings{}).default_dir, want);
    }
}

TEST(Settings, ValuesOutsideTheirRangesFallBack) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        bool applied; // false: the default stays
        std::function<int(const Settings&)> field;
        int expected_if_applied = 0;
    };
    auto lw = [](const Settings& s) { return s.line_width; };
    auto ss = [](const Settings& s) { return s.scroll_speed; };
    auto sens = [](const Settings& s) { return s.sensitivity; };
    auto col = [](const Settings& s) { return s.color; };
    auto dl = [](const Settings& s) { return s.delay; };
    auto pg = [](const Settings& s) { return s.program; };
    auto vol = [](const Settings& s) { return s.volume; };
    auto fw = [](const Settings& s) { return s.forward; };
    auto b1 = [](const Settings& s) { return s.back1; };
    auto b2 = [](const Settings& s) { return s.back2; };
    auto hn = [](const Settings& s) { return int(s.help_note); };
    auto ln = [](const Settings& s) { return int(s.left_note); };
    auto wd = [](const Settings& s) { return s.width; };
    auto lf = [](const Settings& s) { return s.left; };
    auto tp = [](const Settings& s) { return s.top; };
    const std::vector<Case> cases{
        {"Window", "LineWidth", "99", false, lw},
        {"Window", "LineWidth", "3", false, lw},
        {"Window", "LineWidth", "13", false, lw},
        {"Window", "LineWidth", "4", true, lw, 4},
        {"Window", "LineWidth", "12", true, lw, 12},
        {"Graphics", "ScrollSpeed", "3", false, ss},
        {"Graphics", "ScrollSpeed", "0", false, ss},
        {"Graphics", "ScrollSpeed", "8", false, ss},
        {"Graphics", "ScrollSpeed", "2", true, ss, 2},
        {"Graphics", "ScrollSpeed", "4", true, ss, 4},
        {"Graphics", "Sensitivity", "-1", false, sens},
        {"Graphics", "Sensitivity", "101", false, sens},
        {"Graphics", "Sensitivity", "100", true, sens, 100},
        {"Graphics", "Color", "101", false, col},
        {"Graphics", "Color", "0", true, col, 0},
        {"MIDI", "Delay", "31", false, dl},
        {"MIDI", "Delay", "-1", false, dl},
        {"MIDI", "Delay", "30", true, dl, 30},
        {"MIDI", "Program", "128", false, pg},
        {"MIDI", "Program", "-1", false, pg},
        {"MIDI", "Program", "127", true, pg, 127},
        {"MIDI", "Volume", "128", false, vol},
        {"MIDI", "Volume", "0", true, vol, 0},
        {"Player", "Forward", "0", false, fw},
        {"Player", "Forward", "-5000", false, fw},
        {"Player", "Forward", "3600001", false, fw},
        {"Player", "Forward", "3600000", true, fw, 3600000},
        {"Player", "Forward", "1", true, fw, 1},
        {"Player", "Back1", "5000", false, b1},
        {"Player", "Back1", "0", false, b1},
        {"Player", "Back1", "-1", true, b1, -1},
        {"Player", "Back2", "-3600001", false, b2},
        {"Player", "Back2", "-3600000", true, b2, -3600000},
        // Not numbers.
        {"Player", "Forward", "abc", false, fw},
        {"Player", "Forward", "", false, fw},
        {"Player", "Forward", "12abc", false, fw},
        {"Player", "Forward", "1,2", false, fw},
        {"Player", "Forward", "99999999999", false, fw},
        {"View", "HelpNote", "yes", false, hn},
        {"View", "HelpNote", "2", true, hn, 1},
        {"View", "LeftNote", "0", true, ln, 0},
        // A width no screen has, a place far off any desktop.
        {"Window", "Width", "0", false, wd},
        {"Window", "Width", "-5", false, wd},
        {"Window", "Width", "40000", false, wd},
        {"Window", "Width", "1", true, wd, 1},
        {"Window", "Width", "2560", true, wd, 2560},
        {"Window", "Left", "100000", false, lf},
        {"Window", "Left", "-100000", false, lf},
        {"Window", "Left", "-40", true, lf, -40},
        {"Window", "Top", "100000", false, tp},
        {"Window", "Top", "3000", true, tp, 3000},
    };
    IniFolder t;
    Settings defaults = changed_settings();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        const QString path = t.fresh();
        write_all(path, QByteArray("[") + c.section + "]\n" + c.key + "=" + c.value + "\n");
        const Settings s = read_settings(path, defaults);
        EXPECT_EQ(c.field(s), c.applied ? c.expected_if_applied : c.field(defaults));
    }
}

// The practice keys are brought into range; what is not a number is ignored.
TEST(Settings, PracticeValuesAreClamped) {
    struct Case {
        const char* key;
        const char* value;
        int Settings::*field;
        int expected;
    };
    const Case cases[] = {
        {"Speed", "10", &Settings::speed, 25},       {"Speed", "500", &Settings::speed, 200},
        {"Speed", "80", &Settings::speed, 80},       {"Speed", "fast", &Settings::speed, 100},
        {"Transpose", "-20", &Settings::transpose, -12},
        {"Transpose", "7", &Settings::transpose, 7}, {"Cents", "99", &Settings::cents, 50},
        {"Engine", "5", &Settings::engine, 1},       {"Engine", "x1", &Settings::engine, 0},
        {"LoopPause", "-1", &Settings::loop_pause, 0},
        {"LoopPause", "9000", &Settings::loop_pause, 3000},
        {"Channels", "9", &Settings::channels, 4},   {"Channels", "3", &Settings::channels, 3},
    };
    IniFolder t;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << "=" << c.value);
        const QString path = t.fresh();
        write_all(path, QByteArray("[Practice]\n") + c.key + "=" + c.value + "\n");
        EXPECT_EQ(read_settings(path, Settings{}).*c.field, c.expected);
    }
}

TEST(Settings, DefaultDirTextSurvivesTheFileFormat) {
    IniFolder t;
    const char* texts[] = {"/home/u/音楽 フォルダ",
                           "/a,b;c=d",
                           "/q\"uote\\back",
                           " lead",
                           "trail ",
                           "@at",
                           "@@",
                           "/tab\there",
                           ("/x\x01"
                            "abc"), // a control character, then hex-like letters
                           "/new\nline",
                           "C:\\Music",
                           ""};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        Settings s;
        s.default_dir = QString::fromUtf8(text);
        const QString path = t.fresh();
        ASSERT_TRUE(write_settings(path, s));
        EXPECT_EQ(read_settings(path, Settings{}).default_dir, s.default_dir);
        EXPECT_EQ(read_all(path).count('\n'), 42); // seven headers, 29 keys, six blank lines
    }
}

TEST(Settings, DefaultDirIsTheChosenFilesFolder) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/u/music/take1.wav", "/home/u/music"},
        {"/take1.wav", "/"},
        {"/home/u/dir/", "/home/u/dir"},
        {"", ""},
    };
    for (auto [file, folder] : cases)
        EXPECT_EQ(default_dir_of(file), QString(folder)) << file;
}

TEST(Settings, FileBesideTheProgramWinsWhenWritable) {
    IniFolder exe, config;
    EXPECT_EQ(settings_file_path(exe.path(), config.path()), config.ini());
    write_all(exe.ini(), "[MIDI]\nDelay=3\n");
    EXPECT_EQ(settings_file_path(exe.path(), config.path()), exe.ini());

    // An installed program's folder is not writable: the config folder is used.
    ASSERT_EQ(chmod(QFile::encodeName(exe.path()).constData(), 0555), 0);
    auto r = test::run_unprivileged(
        [&] { return settings_file_path(exe.path(), config.path()) == config.ini(); });
    if (!r) GTEST_SKIP() << "cannot drop privileges";
    EXPECT_EQ(*r, 1);
}

TEST(Settings, FailedSaveLeavesTheOldFileWhole) {
    IniFolder t;
    ASSERT_TRUE(write_settings(t.ini(), changed_settings()));
    const QByteArray before = read_all(t.ini());
    // The file itself stays writable, its folder does not: a direct write would
    // succeed, a temporary file cannot be created.
    ASSERT_EQ(chmod(QFile::encodeName(t.path()).constData(), 0555), 0);
    ASSERT_EQ(chmod(QFile::encodeName(t.ini()).constData(), 0666), 0);
    auto r = test::run_unprivileged([&] { return write_settings(t.ini(), Settings{}) ? 1 : 0; });
    if (!r) GTEST_SKIP() << "cannot drop privileges";
    EXPECT_EQ(*r, 0);
    EXPECT_EQ(read_all(t.ini()), before);
}

// A full disk: the save fails and the old file survives (the temporary file
// cannot be written out).
TEST(Settings, FullDiskKeepsTheOldFile) {
    IniFolder t;
    const test::SmallFileSystem disk(t.path().toStdString() + "/disk");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system (needs root)";
    const QString ini = t.path() + "/disk/PitkaD.ini";
    ASSERT_TRUE(write_settings(ini, changed_settings()));
    const QByteArray before = read_all(ini);
    disk.fill();
    EXPECT_FALSE(write_settings(ini, Settings{}));
    EXPECT_EQ(read_all(ini), before);
}

// The recent list rewrites its own section only: every other line keeps its
// bytes, malformed ones included, and a later save of the settings keeps
// the list.
TEST(Settings, RecentListTouchesOnlyItsSection) {
    const QStringList files{"/m/a.wav", "/m/b c.flac"};
    const QByteArray entries = "File1=/m/a.wav\nFile2=/m/b c.flac\n";
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"", "[Recent]\n" + entries},
        {"[View]\nLoudness=1\n; note\n[Other]\nX=\"open\n",
         "[View]\nLoudness=1\n; note\n[Other]\nX=\"open\n\n[Recent]\n" + entries},
        {"[Window]\nTop=3", "[Window]\nTop=3\n\n[Recent]\n" + entries},
        {"[Dir]\r\nDefaultDir=/x\r\n[Recent]\r\nFile1=/old.wav\r\n; c\r\ngarbage\r\n\r\n"
         "[Window]\r\nTop=3\r\n",
         "[Dir]\r\nDefaultDir=/x\r\n[Recent]\r\nFile1=/m/a.wav\r\nFile2=/m/b c.flac\r\n\r\n"
         "[Window]\r\nTop=3\r\n"},
        {"[Recent]\nFile1=/old.wav\n\n[View]\nZoom=2\n[Recent]\nFile2=/x.wav\n",
         "[Recent]\n" + entries + "\n[View]\nZoom=2\n"},
    };
    IniFolder t;
    for (const auto& [old, expected] : cases) {
        SCOPED_TRACE(old.toStdString());
        const QString path = t.fresh();
        if (!old.isEmpty()) write_all(path, old);
        SettingsFile file(path);
        ASSERT_TRUE(file.set_recent_files(files));
        EXPECT_EQ(read_all(path), expected);
        EXPECT_EQ(SettingsFile(path).recent_files(), files);
        ASSERT_TRUE(file.save(changed_settings()));
        EXPECT_EQ(SettingsFile(path).recent_files(), files);
    }
    // Nothing to store in a file that has no list: no file is made.
    EXPECT_TRUE(SettingsFile(t.ini()).set_recent_files({}));
    EXPECT_FALSE(QFile::exists(t.ini()));
}

TEST(Settings, RecentListReadsOnlyWellFormedEntries) {
    IniFolder t;
    write_all(t.ini(), "[View]\nZoom=\"open\n"
                       "[Recent]\n"
                       "File2=/two.wav\n"
                       "File1=/one.wav\n"
                       "File3=\n"
                       "garbage line\n"
                       "File4=\"/unbalanced\n"
                       "File5=/one.wav\n"
                       "File6=/p,q.wav\n"
                       "Other=/x.wav\n"
                       "File9=/nine.wav\n"
                       "[Other\n"
                       "File7=/hidden.wav\n");
    SettingsFile file(t.ini());
    EXPECT_EQ(file.recent_files(), (QStringList{"/one.wav", "/two.wav", "/p,q.wav"}));

    // Names the file format has to escape come back as they were; a ninth goes.
    QStringList odd{"/a \"q\" \\b;c=d.wav", " lead.wav", "@at.wav", "/new\nline.wav", "/曲/歌.wav"};
    for (int i = 0; i < 4; ++i)
        odd << QStringLiteral("/more%1.wav").arg(i);
    ASSERT_TRUE(file.set_recent_files(odd));
    EXPECT_EQ(SettingsFile(t.ini()).recent_files(), odd.mid(0, max_recent_files));
}

// Each recording's drawing file sits under its own key in [DrawingFiles];
// storing one touches no other line, and the settings save keeps them.
TEST(Settings, DrawingFilesAreRememberedPerRecording) {
    IniFolder t;
    const QString a = "/cd/song.wav", b = "/cd/other, take.wav";
    const QString old = "[View]\nLoudness=1\n[Other]\nX=1\n";
    write_all(t.ini(), old.toUtf8());
    struct Step {
        QString recording, drawing; // an empty drawing forgets the recording's
        QString want_a, want_b;
    };
    const Step steps[] = {
        {a, "/home/u/song.pkc", "/home/u/song.pkc", ""},
        {b, "/home/u/歌 \"x\";y.pkc", "/home/u/song.pkc", "/home/u/歌 \"x\";y.pkc"},
        {a, "/home/u/new.pkc", "/home/u/new.pkc", "/home/u/歌 \"x\";y.pkc"},
        {b, "", "/home/u/new.pkc", ""},
    };
    SettingsFile file(t.ini());
    for (const Step& s : steps) {
        SCOPED_TRACE(s.drawing.toStdString());
        ASSERT_TRUE(file.set_drawing_file_for(s.recording, s.drawing));
        SettingsFile next(t.ini());
        EXPECT_EQ(next.drawing_file_for(a), s.want_a);
        EXPECT_EQ(next.drawing_file_for(b), s.want_b);
        EXPECT_TRUE(read_all(t.ini()).startsWith(old.toUtf8()));
    }
    ASSERT_TRUE(file.save(changed_settings()));
    EXPECT_EQ(SettingsFile(t.ini()).drawing_file_for(a), "/home/u/new.pkc");

    // Only the newest entries are kept.
    for (int i = 0; i < max_drawing_files + 2; ++i)
        ASSERT_TRUE(file.set_drawing_file_for(QString("/r%1.wav").arg(i), "/d.pkc"));
    SettingsFile next(t.ini());
    EXPECT_EQ(next.drawing_file_for(a), "");
    EXPECT_EQ(next.drawing_file_for("/r1.wav"), "");
    EXPECT_EQ(next.drawing_file_for("/r2.wav"), "/d.pkc");
}

// The analysed channel sits under the recording's key in [AnalysisChannels],
// beside its drawing file; the first channel is no entry at all, and a value
// this version does not know reads as the first channel.
TEST(Settings, AnalysisChannelsAreRememberedPerRecording) {
    IniFolder t;
    const QString a = "/cd/song.wav", b = "/cd/take.flac";
    const QString old =
        "[DrawingFiles]\n" + QString::fromStdString(path_digest("/cd/song.wav")) + "=/d/song.pkc\n";
    write_all(t.ini(), old.toUtf8());
    const struct {
        QString recording;
        AnalysisChannel channel;
        AnalysisChannel want_a, want_b;
    } steps[] = {
        {a, AnalysisChannel::second, AnalysisChannel::second, AnalysisChannel::first},
        {b, AnalysisChannel::mid, AnalysisChannel::second, AnalysisChannel::mid},
        {a, AnalysisChannel::first, AnalysisChannel::first, AnalysisChannel::mid},
    };
    SettingsFile file(t.ini());
    for (const auto& s : steps) {
        ASSERT_TRUE(file.set_analysis_channel_for(s.recording, s.channel));
        SettingsFile next(t.ini());
        EXPECT_EQ(next.analysis_channel_for(a), s.want_a);
        EXPECT_EQ(next.analysis_channel_for(b), s.want_b);
        EXPECT_EQ(next.drawing_file_for(a), "/d/song.pkc");
    }
    // Only its drawing file is left of the first recording.
    EXPECT_EQ(read_all(t.ini()).count(QByteArray::fromStdString(path_digest("/cd/song.wav"))), 1);
    write_all(t.ini(), "[AnalysisChannels]\n" +
                           QByteArray::fromStdString(path_digest("/cd/song.wav")) + "=left\n");
    EXPECT_EQ(SettingsFile(t.ini()).analysis_channel_for(a), AnalysisChannel::first);
}
