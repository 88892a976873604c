#include "control/settings_file.h"

#include "base/atomic_file.h"
#include "base/file_bytes.h"
#include "base/paths.h"
#include "control/practice_controls.h"
#include "midi/channel_settings.h"
#include "view/view_state.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace pitkad {

namespace {

using namespace settings_key;

bool in(int v, int lo, int hi) {
    return v >= lo && v <= hi;
}
constexpr int max_skip_ms = 3600000;

// One integer or Boolean key: where it lives, how it maps to Settings, which
// values are accepted.
struct NumberKey {
    const char* section;
    const char* key;
    std::function<int&(Settings&)> field;
    std::function<bool(int)> valid;
};

// Boolean members are stored as ints through this adaptor.
struct BoolKey {
    const char* section;
    const char* key;
    bool Settings::*field;
};

const std::array<BoolKey, 8> view_keys{{
    {view, "Loudness", &Settings::loudness},
    {view, "GroupingColor", &Settings::grouping_color},
    {view, "LeftNote", &Settings::left_note},
    {view, "RightNote", &Settings::right_note},
    {view, "HelpFreq", &Settings::help_freq},
    {view, "HelpNote", &Settings::help_note},
    {view, "TimeInSeconds", &Settings::time_in_seconds},
    {view, "CheckCandidates", &Settings::check_candidates},
}};

// The integer keys written before "Maximized", and those after it.
const std::vector<NumberKey>& number_keys() {
    static const std::vector<NumberKey> keys{
        {player, "Forward", [](Settings& s) -> int& { return s.forward; },
         [](int v) { return in(v, 1, max_skip_ms); }},
        {player, "Back1", [](Settings& s) -> int& { return s.back1; },
         [](int v) { return in(v, -max_skip_ms, -1); }},
        {player, "Back2", [](Settings& s) -> int& { return s.back2; },
         [](int v) { return in(v, -max_skip_ms, -1); }},
        {graphics, "ScrollSpeed", [](Settings& s) -> int& { return s.scroll_speed; },
         [](int v) { return v == 1 || v == 2 || v == 4; }},
        {graphics, "Sensitivity", [](Settings& s) -> int& { return s.sensitivity; },
         [](int v) { return in(v, 0, 100); }},
        {graphics, "Color", [](Settings& s) -> int& { return s.color; },
         [](int v) { return in(v, 0, 100); }},
        {midi, "Delay", [](Settings& s) -> int& { return s.delay; },
         [](int v) { return in(v, 0, 30); }},
        {midi, "Program", [](Settings& s) -> int& { return s.program; },
         [](int v) { return in(v, 0, 127); }},
        {midi, "Volume", [](Settings& s) -> int& { return s.volume; },
         [](int v) { return in(v, 0, 127); }},
        {window, "LineWidth", [](Settings& s) -> int& { return s.line_width; },
         [](int v) { return in(v, 4, 12); }},
    };
    return keys;
}

const std::vector<NumberKey>& placement_keys() {
    static const std::vector<NumberKey> keys{
        // A width no screen has would make the graph's images unallocatable;
        // positions far off any desktop would hide the window.
        {window, "Width", [](Settings& s) -> int& { return s.width; },
         [](int v) { return in(v, 1, 32767); }},
        {window, "Left", [](Settings& s) -> int& { return s.left; },
         [](int v) { return in(v, -32767, 32767); }},
        {window, "Top", [](Settings& s) -> int& { return s.top; },
         [](int v) { return in(v, -32767, 32767); }},
    };
    return keys;
}

// The practice keys: a value outside its range is clamped into it.
struct ClampedKey {
    const char* key;
    int Settings::*field;
    int min, max;
};

const std::array<ClampedKey, 6> practice_keys{{
    {"Speed", &Settings::speed, 25, 200},
    {"Transpose", &Settings::transpose, -12, 12},
    {"Cents", &Settings::cents, -50, 50},
    {"Engine", &Settings::engine, 0, 1},
    {"LoopPause", &Settings::loop_pause, 0, 3000},
    {"Channels", &Settings::channels, 0, 4},
}};

std::optional<int> read_int(const IniText& ini, const char* section, const char* key) {
    const std::optional<QString> v = ini.value(section, key);
    if (!v) return std::nullopt;
    bool ok = false;
    const int n = v->trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return n;
}

void drop_trailing_blanks(std::vector<QByteArray>& lines) {
    while (!lines.empty() && lines.back().trimmed().isEmpty())
        lines.pop_back();
}

// The file's text after a save: our sections first, in their fixed order,
// and every well-formed line of the old text that is not one of our keys.
// The lines under a malformed header go, since a reader would file them
// somewhere unforeseeable.
// One of our sections with its key lines.
struct OurSection {
    const char* section;
    std::vector<QByteArray> lines;
};

// Our sections with the lines of `s`, in writing order.
std::vector<OurSection> our_sections(const Settings& s) {
    std::vector<OurSection> ours{{dir, {}},  {view, {}},   {player, {}},  {graphics, {}},
                                 {midi, {}}, {window, {}}, {practice, {}}};
    auto add = [&](const char* section, const char* key, const QByteArray& value) {
        for (OurSection& o : ours)
            if (qstrcmp(o.section, section) == 0) o.lines.push_back(key + QByteArray("=") + value);
    };
    Settings copy = s;
    add(dir, "DefaultDir", IniText::escaped(s.default_dir));
    for (const BoolKey& k : view_keys)
        add(k.section, k.key, s.*k.field ? "1" : "0");
    for (const NumberKey& k : number_keys())
        add(k.section, k.key, QByteArray::number(k.field(copy)));
    add(window, "Maximized", s.maximized ? "1" : "0");
    for (const NumberKey& k : placement_keys())
        add(k.section, k.key, QByteArray::number(k.field(copy)));
    if (s.zoom > 0) add(graphics, "Zoom", QByteArray::number(s.zoom));
    if (s.row_height > 0) add(window, "RowHeight", QByteArray::number(s.row_height));
    if (s.tools_place) {
        add(window, "ToolsLeft", QByteArray::number(s.tools_place->x()));
        add(window, "ToolsTop", QByteArray::number(s.tools_place->y()));
    }
    for (const ClampedKey& k : practice_keys)
        add(practice, k.key, QByteArray::number(s.*k.field));
    return ours;
}

// Whether `key` of `section` is one that the save writes.
bool is_our_key(const QString& section, const QByteArray& key) {
    if (section == QLatin1String(dir)) return key == "DefaultDir";
    if (section == QLatin1String(window) &&
        (key == "Maximized" || key == "ToolsLeft" || key == "ToolsTop" || key == "RowHeight"))
        return true;
    if (section == QLatin1String(graphics) && key == "Zoom") return true;
    for (const BoolKey& k : view_keys)
        if (section == QLatin1String(k.section) && key == k.key) return true;
    for (const ClampedKey& k : practice_keys)
        if (section == QLatin1String(practice) && key == k.key) return true;
    for (const auto* list : {&number_keys(), &placement_keys()})
        for (const NumberKey& k : *list)
            if (section == QLatin1String(k.section) && key == k.key) return true;
    return false;
}

QByteArray compose(const IniText& old, const Settings& s) {
    std::vector<OurSection> ours = our_sections(s);

    // Keep every other line: unknown keys and comments of our sections go
    // after our keys, other sections follow in their original order.
    std::vector<IniText::Section> blocks = old.sections();
    std::vector<IniText::Section> others;
    QByteArray top_comments;         // comments before the first section stay on top
    std::vector<QByteArray> general; // keys before the first section: [General]
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        IniText::Section& b = blocks[i];
        if (b.dropped) continue;
        if (i == 0) {
            for (const QByteArray& line : b.lines) {
                const QByteArray t = line.trimmed();
                if (t.startsWith(';'))
                    top_comments += line + '\n';
                else if (!t.isEmpty())
                    general.push_back(line);
            }
            continue;
        }
        OurSection* mine = nullptr;
        for (OurSection& o : ours)
            if (b.name == QLatin1String(o.section)) mine = &o;
        if (!mine) {
            drop_trailing_blanks(b.lines);
            others.push_back(std::move(b));
            continue;
        }
        for (const QByteArray& line : b.lines) {
            if (line.trimmed().isEmpty() || is_our_key(b.name, IniText::key_of(line))) continue;
            mine->lines.push_back(line);
        }
    }
    if (!general.empty()) {
        auto g = std::find_if(others.begin(), others.end(), [](const IniText::Section& b) {
            return b.name == QLatin1String("General");
        });
        if (g == others.end()) {
            others.push_back({"[General]", "General", {}});
            g = others.end() - 1;
        }
        g->lines.insert(g->lines.begin(), general.begin(), general.end());
    }

    QByteArray out = top_comments;
    if (!out.isEmpty()) out += '\n';
    for (const OurSection& o : ours) {
        out += '[' + QByteArray(o.section) + "]\n";
        for (const QByteArray& l : o.lines)
            out += l + '\n';
        out += '\n';
    }
    for (const IniText::Section& b : others) {
        out += b.header + '\n';
        for (const QByteArray& l : b.lines)
            out += l + '\n';
        out += '\n';
    }
    out.chop(1); // no blank line at the very end
    return out;
}

// Defaults that differ from `s` in every key: a key the reader misses shows.
Settings unlike(const Settings& s) {
    Settings u = s;
    u.default_dir += QLatin1String("\x01");
    for (const BoolKey& k : view_keys)
        u.*k.field = !(s.*k.field);
    for (const auto* list : {&number_keys(), &placement_keys()})
        for (const NumberKey& k : *list)
            k.field(u) += 1;
    for (const ClampedKey& k : practice_keys)
        u.*k.field += 1;
    u.maximized = !s.maximized;
    return u;
}

} // namespace

QString settings_file_path(const QString& executable_dir, const QString& config_dir) {
    const QString beside = QDir(executable_dir).filePath(QLatin1String(file_name));
    if (QFileInfo(beside).isFile() && QFileInfo(executable_dir).isWritable()) return beside;
    return QDir(config_dir).filePath(QLatin1String(file_name));
}

QString settings_file_path() {
    return settings_file_path(QString::fromStdString(executable_dir().string()),
                              QString::fromStdString(user_config_dir().string()));
}

namespace {

Settings settings_from(const IniText& ini, const Settings& defaults) {
    Settings s = defaults;
    if (auto d = ini.value(dir, "DefaultDir")) s.default_dir = *d;

    for (const BoolKey& k : view_keys)
        if (auto v = read_int(ini, k.section, k.key)) s.*k.field = *v != 0;
    for (const auto* list : {&number_keys(), &placement_keys()})
        for (const NumberKey& k : *list)
            if (auto v = read_int(ini, k.section, k.key); v && k.valid(*v)) k.field(s) = *v;
    if (auto v = read_int(ini, window, "Maximized")) s.maximized = *v != 0;
    const std::optional<int> tools_left = read_int(ini, window, "ToolsLeft");
    const std::optional<int> tools_top = read_int(ini, window, "ToolsTop");
    // The tool window's place is the file's alone: without it the window
    // goes beside the main window.
    s.tools_place.reset();
    if (tools_left && tools_top && in(*tools_left, -32767, 32767) && in(*tools_top, -32767, 32767))
        s.tools_place = QPoint(*tools_left, *tools_top);
    for (const ClampedKey& k : practice_keys)
        if (auto v = read_int(ini, practice, k.key)) s.*k.field = std::clamp(*v, k.min, k.max);
    const std::optional<int> zoom = read_int(ini, graphics, "Zoom");
    s.zoom = zoom && in(*zoom, int(min_zoom), int(max_zoom)) ? *zoom : 0;
    const std::optional<int> rows = read_int(ini, window, "RowHeight");
    s.row_height = rows && in(*rows, min_row_height, max_row_height) ? *rows : 0;
    return s;
}

// Every write is checked and synced before the rename: a full disk leaves
// the old file as it was.
bool replace_file(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return bool(
        write_file_atomically(std::filesystem::path(QFile::encodeName(path).toStdString()),
                              std::span(reinterpret_cast<const std::uint8_t*>(text.constData()),
                                        std::size_t(text.size()))));
}

// The file's bytes; empty when it is missing, nullopt when it is there but
// cannot be read, is a pipe or a device (never waited for), or is larger
// than any settings file.
std::optional<QByteArray> read_whole(const QString& path) {
    const FileRead read = read_regular_file(
        std::filesystem::path(QFile::encodeName(path).toStdString()), settings_max_bytes);
    if (read.status == ReadStatus::absent) return QByteArray();
    if (!read.ok()) return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(read.bytes.data()),
                      qsizetype(read.bytes.size()));
}

// True when `text`, read as the settings file, yields exactly `s`.
bool reads_back(const QByteArray& text, const Settings& s) {
    return settings_from(IniText(text), unlike(s)) == s;
}

QByteArray drawing_file_key(const QString& recording) {
    return QByteArray::fromStdString(path_digest(recording.toStdString()));
}

} // namespace

bool SettingsFile::load(const QString& path) {
    path_ = path;
    const std::optional<QByteArray> text = read_whole(path);
    disk_ = text.value_or(QByteArray());
    ini_ = IniText(disk_);
    return text.has_value();
}

bool SettingsFile::reload_if_changed() {
    const std::optional<QByteArray> text = read_whole(path_);
    if (!text) return false;
    if (*text != disk_) {
        disk_ = *text;
        ini_ = IniText(disk_);
    }
    return true;
}

bool SettingsFile::store(QByteArray text) {
    if (text == disk_ && text == ini_.text()) return true; // the file holds it already
    ini_ = IniText(text);
    if (!replace_file(path_, text)) return false;
    disk_ = std::move(text);
    return true;
}

Settings SettingsFile::settings(const Settings& defaults) const {
    return settings_from(ini_, defaults);
}

bool SettingsFile::save(const Settings& settings) {
    // A file that cannot be read is replaced by what the model holds.
    reload_if_changed();
    QByteArray text = compose(ini_, settings);
    // Whatever the old file held, our keys must read back as written; when
    // the lines kept from it would disturb that, they are dropped.
    if (!reads_back(text, settings)) text = compose(IniText(), settings);
    return store(std::move(text));
}

bool SettingsFile::save_state(const Settings& settings) {
    if (!reload_if_changed()) return false;
    IniText ini = ini_;
    for (const OurSection& o : our_sections(settings)) {
        std::vector<QByteArray> lines = ini.lines(o.section);
        bool changed = false;
        for (const StateKey& k : state_keys) {
            if (qstrcmp(k.section, o.section) != 0) continue;
            const auto ours =
                std::find_if(o.lines.begin(), o.lines.end(),
                             [&](const QByteArray& l) { return IniText::key_of(l) == k.key; });
            if (ours == o.lines.end()) {
                // Not in use now (a zoom or row height back on a preset):
                // its old lines go; a place never known stays as it was.
                const bool in_use_only = qstrcmp(k.key, "Zoom") == 0 || qstrcmp(k.key, "RowHeight") == 0;
                if (in_use_only && std::erase_if(lines, [&](const QByteArray& l) {
                        return IniText::key_of(l) == k.key;
                    }) > 0)
                    changed = true;
                continue;
            }
            // Every line of the key gets the value (the last one is read),
            // or it is added.
            bool found = false;
            for (QByteArray& line : lines)
                if (IniText::key_of(line) == k.key) {
                    line = *ours;
                    found = true;
                }
            if (!found) lines.push_back(*ours);
            changed = true;
        }
        if (changed) ini = IniText(ini.with_section(o.section, lines));
    }
    return store(ini.text());
}

QStringList SettingsFile::recent_files() {
    reload_if_changed();
    QStringList files;
    for (int n = 1; n <= max_recent_files; ++n) {
        const QString file = ini_.value(recent, "File" + QByteArray::number(n)).value_or(QString());
        if (!file.isEmpty() && !files.contains(file)) files << file;
    }
    return files;
}

bool SettingsFile::set_recent_files(const QStringList& files) {
    if (!reload_if_changed()) return false;
    std::vector<QByteArray> entries;
    for (qsizetype i = 0; i < files.size() && i < max_recent_files; ++i)
        entries.push_back("File" + QByteArray::number(i + 1) + '=' + IniText::escaped(files[i]));
    return store(ini_.with_section(recent, entries));
}

QStringList SettingsFile::add_recent_file(const QString& file) {
    const QStringList files = with_recent_file(recent_files(), file);
    set_recent_files(files);
    return files;
}

QStringList SettingsFile::remove_recent_file(const QString& file) {
    QStringList files = recent_files();
    files.removeAll(file);
    set_recent_files(files);
    return files;
}

QString SettingsFile::drawing_file_for(const QString& recording) {
    reload_if_changed();
    return ini_.value(drawing_files, drawing_file_key(recording)).value_or(QString());
}

bool SettingsFile::set_drawing_file_for(const QString& recording, const QString& drawing_file) {
    return set_recording_entry(drawing_files, recording, drawing_file);
}

AnalysisChannel SettingsFile::analysis_channel_for(const QString& recording) {
    reload_if_changed();
    const QString name = ini_.value(settings_key::analysis_channels, drawing_file_key(recording))
                             .value_or(QString());
    return parse_analysis_channel(name.toStdString()).value_or(AnalysisChannel::first);
}

bool SettingsFile::set_analysis_channel_for(const QString& recording, AnalysisChannel channel) {
    const QString name = channel == AnalysisChannel::first
                             ? QString()
                             : QString::fromUtf8(analysis_channel_name(channel).data());
    return set_recording_entry(settings_key::analysis_channels, recording, name);
}

AnalysisReference SettingsFile::analysis_reference_for(const QString& recording) {
    reload_if_changed();
    const QString text = ini_.value(settings_key::analysis_references, drawing_file_key(recording))
                             .value_or(QString());
    return parse_reference(text.toStdString()).value_or(AnalysisReference{});
}

bool SettingsFile::set_analysis_reference_for(const QString& recording,
                                              AnalysisReference reference) {
    const QString text = reference.is_standard()
                             ? QString()
                             : QString::fromStdString(reference_text(reference));
    return set_recording_entry(settings_key::analysis_references, recording, text);
}

bool SettingsFile::set_recording_entry(const char* section, const QString& recording,
                                       const QString& value) {
    if (!reload_if_changed()) return false;
    const QByteArray key = drawing_file_key(recording);
    std::vector<QByteArray> entries;
    for (const QByteArray& line : ini_.lines(section))
        if (IniText::key_of(line) != key) entries.push_back(line);
    if (!value.isEmpty()) entries.push_back(key + '=' + IniText::escaped(value));
    if (entries.size() > std::size_t(max_drawing_files))
        entries.erase(entries.begin(), entries.end() - max_drawing_files);
    return store(ini_.with_section(section, entries));
}

QString SettingsFile::language() {
    reload_if_changed();
    const QString code =
        ini_.value(settings_key::language, settings_key::language).value_or(QString());
    return code == QLatin1String("ja") || code == QLatin1String("en") ? code : QString();
}

bool SettingsFile::set_language(const QString& code) {
    if (!reload_if_changed()) return false;
    using settings_key::language;
    return store(
        ini_.with_section(language, {QByteArray(language) + '=' + IniText::escaped(code)}));
}

QStringList with_recent_file(QStringList files, const QString& file) {
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > max_recent_files)
        files.removeLast();
    return files;
}

QString default_dir_of(const QString& chosen_file) {
    if (chosen_file.isEmpty()) return {};
    return QFileInfo(chosen_file).absolutePath();
}

void store_window_placement(Settings& settings, bool maximized, const QRect& normal) {
    settings.maximized = maximized;
    settings.width = normal.width();
    settings.left = normal.x();
    settings.top = normal.y();
}

void apply_midi_settings(const Settings& settings, MidiChannelSettings& channels) {
    channels.delay = settings.delay;
    channels.program[0] = settings.program;
    channels.volume[0] = settings.volume;
}

void capture_midi_settings(Settings& settings, const MidiChannelSettings& channels) {
    settings.delay = channels.delay;
    settings.program = channels.program[0];
    settings.volume = channels.volume[0];
}

PracticeSettings practice_from_settings(const Settings& settings, PracticeSettings base) {
    PracticeSettings p =
        with_cents(with_semitones(with_speed_percent(base, settings.speed), settings.transpose),
                   settings.cents);
    p.engine = StretchEngine(std::clamp(settings.engine, 0, 1));
    p.channels = ChannelMode(std::clamp(settings.channels, 0, int(ChannelMode::audit)));
    return with_loop_pause_ms(p, settings.loop_pause);
}

void capture_practice_settings(Settings& settings, const PracticeSettings& practice) {
    settings.speed = speed_percent(practice);
    settings.transpose = practice.semitones;
    settings.cents = practice.cents;
    settings.engine = int(practice.engine);
    settings.loop_pause = int(std::lround(practice.loop_pause * 1000));
    settings.channels = int(practice.channels);
}

} // namespace pitkad
