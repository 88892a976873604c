#pragma once
// The settings file "PitkaD.ini": the user's choices from one run to the next.
// A SettingsFile reads it once into memory and writes it through one INI
// codec (control/ini_text.h). The window's settings are read at start-up and
// written by the save command; closing writes the view and practice state
// alone (state_keys). The sections written at once, when they
// change, are the recent-files list, the drawing files saved elsewhere and
// the language; another running copy may change them too, so before any of
// them is read, and before any write, the file is read again when its bytes
// changed. INI text: sections in brackets, key=value lines, booleans as 1/0,
// integers in decimal. Every write goes to a temporary file renamed into
// place, so a failed or interrupted one leaves the previous file whole.
//
// Location: a "PitkaD.ini" beside the executable wins when it exists and its
// folder is writable (a portable copy); otherwise the file lives in the
// user's config folder (~/.config/PitkaD), because an installed program's
// folder is not writable.

#include "analysis/analysis_channel.h"
#include "analysis/analysis_reference.h"
#include "audio/practice.h"
#include "control/ini_text.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace pitkad {

struct MidiChannelSettings;

// A settings file is a few kilobytes; a larger one than this is refused
// unread, as one that cannot be read is.
inline constexpr std::uintmax_t settings_max_bytes = 4 << 20;

// Section and key names as they appear in the file.
namespace settings_key {
inline constexpr char file_name[] = "PitkaD.ini";
inline constexpr char dir[] = "Dir";
inline constexpr char view[] = "View";
inline constexpr char player[] = "Player";
inline constexpr char graphics[] = "Graphics";
inline constexpr char midi[] = "MIDI";
inline constexpr char window[] = "Window";
inline constexpr char recent[] = "Recent";
inline constexpr char practice[] = "Practice";
inline constexpr char drawing_files[] = "DrawingFiles";
inline constexpr char analysis_channels[] = "AnalysisChannels";
inline constexpr char analysis_references[] = "AnalysisReferences";
inline constexpr char language[] = "Language";
} // namespace settings_key

// The keys SettingsFile::save_state writes when the program closes.
struct StateKey {
    const char* section;
    const char* key;
};
inline constexpr std::array<StateKey, 13> state_keys{{
    {settings_key::graphics, "ScrollSpeed"},
    {settings_key::graphics, "Zoom"},
    {settings_key::window, "LineWidth"},
    {settings_key::window, "RowHeight"},
    {settings_key::window, "Maximized"},
    {settings_key::window, "Width"},
    {settings_key::window, "Left"},
    {settings_key::window, "Top"},
    {settings_key::window, "ToolsLeft"},
    {settings_key::window, "ToolsTop"},
    {settings_key::practice, "Speed"},
    {settings_key::practice, "Transpose"},
    {settings_key::practice, "Cents"},
}};

// Every stored setting. The member defaults are what a first start shows; at
// start-up the window fills a Settings from its current state and passes it
// to SettingsFile::settings as the defaults.
struct Settings {
    QString default_dir;         // Dir/DefaultDir: folder of the last chosen file
    bool loudness = false;       // View/Loudness
    bool grouping_color = false; // View/GroupingColor
    bool left_note = true;       // View/LeftNote
    bool right_note = false;     // View/RightNote
    bool help_freq = false;      // View/HelpFreq
    bool help_note = false;      // View/HelpNote
    bool time_in_seconds = false; // View/TimeInSeconds: the time display in seconds alone
    bool check_candidates = true; // View/CheckCandidates: the check's candidates not drawn shown
    int forward = 5000;          // Player/Forward, ms, 1 … 3600000
    int back1 = -5000;           // Player/Back1, ms, -3600000 … -1
    int back2 = -500;            // Player/Back2, ms, -3600000 … -1
    int scroll_speed = 1;        // Graphics/ScrollSpeed: 1, 2 or 4
    int sensitivity = 40;        // Graphics/Sensitivity, 0 … 100
    int color = 0;               // Graphics/Color, 0 … 100
    int delay = 0;               // MIDI/Delay, frames, 0 … 30
    int program = 0;             // MIDI/Program of channel 0, 0 … 127
    int volume = 127;            // MIDI/Volume of channel 0, 0 … 127
    int line_width = 4;          // Window/LineWidth, 4 … 12
    // Graphics/Zoom: a continuous time zoom in thousandths of a pixel per
    // second (1 … 800000); Window/RowHeight: a row height off the line-width
    // presets (3 … 24). Each written only when in use (0: not), and then in
    // force over ScrollSpeed and LineWidth.
    int zoom = 0;
    int row_height = 0;
    bool maximized = false;      // Window/Maximized
    int width = 804;             // Window/Width of the normal window
    int left = 0;                // Window/Left of the normal window
    int top = 0;                 // Window/Top of the normal window
    // Window/ToolsLeft and ToolsTop: where the drawing-tool window's frame
    // was; written only when known, read only when both are in range (never
    // taken from the defaults).
    std::optional<QPoint> tools_place;
    // The practice tools (the loop and the focus belong to a recording and
    // are not kept). Out-of-range values are brought into range.
    int speed = 100;    // Practice/Speed, percent, 25 … 200
    int transpose = 0;  // Practice/Transpose, semitones, -12 … 12
    int cents = 0;      // Practice/Cents, -50 … 50
    int engine = 0;     // Practice/Engine: 0 finer, 1 faster
    int loop_pause = 0; // Practice/LoopPause, ms, 0 … 3000
    int channels = 0;   // Practice/Channels: 0 stereo, 1 left, 2 right, 3 mono, 4 centre removed

    friend bool operator==(const Settings&, const Settings&) = default;
};

// Where the settings file is read from and written to.
QString settings_file_path();
// The same rule over given folders (for tests).
QString settings_file_path(const QString& executable_dir, const QString& config_dir);

// The recent-files list: [Recent] File1 … File8, the most recent first.
inline constexpr int max_recent_files = 8;

// `files` with `file` at the front, once, and no more than max_recent_files.
QStringList with_recent_file(QStringList files, const QString& file);

// Drawing files saved elsewhere than beside their recording ("名前を付けて
// 保存"): [DrawingFiles], one key per recording, the path_digest of its full
// path, whose value is the drawing file's full path. The newest entries are
// last; beyond max_drawing_files the oldest go.
inline constexpr int max_drawing_files = 256;

// The part of a recording analysed when it is not the first channel:
// [AnalysisChannels], keyed like [DrawingFiles], "second" or "mid"; a
// recording without an entry analyses its first channel. The newest entries
// are last; beyond max_drawing_files the oldest go. [AnalysisReferences]
// likewise holds the A4 in hertz ("446.1") of a recording analysed at
// another reference than 440 Hz.

class SettingsFile {
  public:
    SettingsFile() = default;
    explicit SettingsFile(const QString& path) { load(path); }

    // Reads the file at `path` into memory; a missing file reads as an empty
    // one. False when the file is there but cannot be read, is not a regular
    // file (a pipe is never waited for) or is over settings_max_bytes.
    bool load(const QString& path);
    const QString& path() const { return path_; }

    // The window's settings as read: a missing section or key, a value that
    // is not a number where one is expected, and a number outside the key's
    // range all yield the value from `defaults`.
    Settings settings(const Settings& defaults) const;
    // Writes all 28 keys (30 with the tool window's place) in their fixed
    // order, keeping the other lines the file holds where they cannot
    // disturb ours. False when it failed.
    bool save(const Settings& settings);
    // What the program keeps of its state when it closes: the scroll speed,
    // the line width, the windows' places and size, the speed and the
    // pitch (state_keys). Only those keys change; every other line stays as
    // it is. False when it failed or the file cannot be read.
    bool save_state(const Settings& settings);

    // The recent-files list. Keys other than File1 … File8, empty values and
    // repeats are skipped.
    QStringList recent_files();
    // Stores the list (at most max_recent_files) in [Recent], appended when
    // the file has none; every other line stays as it is. False when it
    // failed, or when the file cannot be read (replacing it would lose the
    // other settings).
    bool set_recent_files(const QStringList& files);
    // `file` put at the top of the list, or taken off it, as the file holds
    // the list now (other running copies' additions stay), and stored at
    // once. The new list; it serves this session even when it could not be
    // stored.
    QStringList add_recent_file(const QString& file);
    QStringList remove_recent_file(const QString& file);

    // The drawing file remembered for `recording` (its full path); empty
    // when none is.
    QString drawing_file_for(const QString& recording);
    // Remembers `drawing_file` for `recording` (forgets it when empty),
    // touching only [DrawingFiles]. False like set_recent_files.
    bool set_drawing_file_for(const QString& recording, const QString& drawing_file);

    // The part of `recording` (its full path) analysed; the first channel
    // when none, or an unknown one, is remembered.
    AnalysisChannel analysis_channel_for(const QString& recording);
    // Remembers it (the first channel by forgetting the entry), touching
    // only [AnalysisChannels]. False like set_recent_files.
    bool set_analysis_channel_for(const QString& recording, AnalysisChannel channel);
    // The same for the reference pitch of the analysis, [AnalysisReferences].
    AnalysisReference analysis_reference_for(const QString& recording);
    bool set_analysis_reference_for(const QString& recording, AnalysisReference reference);

    // The language of the texts: [Language] Language=ja or en. Empty when
    // the file has none or another value.
    QString language();
    // Touches only [Language]. False like set_recent_files.
    bool set_language(const QString& code);

  private:
    // Reads the file again when its bytes are not those last read or
    // written. False when it cannot be read.
    bool reload_if_changed();
    // Makes `text` the model and writes it (unless the file already holds
    // it). The model keeps the change when the write fails, so that it still
    // serves this session; the next change that is written stores it too.
    bool store(QByteArray text);
    // Sets the entry of `recording` in a section keyed by recordings (none
    // when `value` is empty), the newest last, at most max_drawing_files.
    bool set_recording_entry(const char* section, const QString& recording, const QString& value);

    QString path_;
    IniText ini_;
    QByteArray disk_; // the file's bytes as last read or written
};

// "DefaultDir" for the file last chosen in the open dialog: its folder without
// a trailing separator ("/" stays "/"); empty when no file was chosen.
QString default_dir_of(const QString& chosen_file);

// The save command stores the normal (not maximised) window's size and
// position even while the window is maximised: pass isMaximized() and the
// normal geometry (its x, y become Left, Top, its width Width). At start-up
// the window applies Width, then Left and Top, then maximises when
// `maximized` is set.
void store_window_placement(Settings& settings, bool maximized, const QRect& normal_frame);

// MIDI/Delay, Program and Volume belong to channel 0 only.
void apply_midi_settings(const Settings& settings, MidiChannelSettings& channels);
void capture_midi_settings(Settings& settings, const MidiChannelSettings& channels);

// The practice keys: `base` with the stored speed, pitch, engine, channels
// and loop pause, each kept in its range.
PracticeSettings practice_from_settings(const Settings& settings, PracticeSettings base);
void capture_practice_settings(Settings& settings, const PracticeSettings& practice);

} // namespace pitkad
