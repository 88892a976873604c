#include "app/settings.h"

#include "base/atomic_file.h"
#include "base/paths.h"
#include "midi/channel_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
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

const std::array<BoolKey, 6> view_keys{{
    {view, "Loudness", &Settings::loudness},
    {view, "GroupingColor", &Settings::grouping_color},
    {view, "LeftNote", &Settings::left_note},
    {view, "RightNote", &Settings::right_note},
    {view, "HelpFreq", &Settings::help_freq},
    {view, "HelpNote", &Settings::help_note},
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

QString path_key(const char* section, const char* key) {
    return QString::fromLatin1(section) + u'/' + QString::fromLatin1(key);
}

std::optional<int> read_int(const QSettings& ini, const char* section, const char* key) {
    const QVariant v = ini.value(path_key(section, key));
    if (!v.isValid() || v.typeId() == QMetaType::QStringList) return std::nullopt;
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return n;
}

// A text value in the form the INI reader of QSettings reads back unchanged:
// backslash escapes, quotes around text with separators or edge blanks, a
// leading '@' doubled.
QByteArray escaped_text(const QString& text) {
    QByteArray out;
    if (text.startsWith(u'@')) out += '@';
    bool quote = false;
    bool hex_follows = false; // after a \x escape, a following hex digit must be escaped too
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar qc = text[i];
        const char16_t c = qc.unicode();
        if (qc.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            // A character outside the basic plane: both halves make one UTF-8 sequence.
            out += text.mid(i, 2).toUtf8();
            ++i;
            hex_follows = false;
            continue;
        }
        if (c == u';' || c == u',' || c == u'=') quote = true;
        const bool hex_digit =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (hex_follows && hex_digit) {
            out += "\\x" + QByteArray::number(int(c), 16);
            continue;
        }
        hex_follows = false;
        switch (c) {
        case u'\\':
            out += "\\\\";
            break;
        case u'"':
            out += "\\\"";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7f) {
                out += "\\x" + QByteArray::number(int(c), 16);
                hex_follows = true;
            } else {
                out += QString(qc).toUtf8();
            }
        }
    }
    if (!out.isEmpty() && (out.front() == ' ' || out.back() == ' ')) quote = true;
    if (quote) out = '"' + out + '"';
    return out;
}

// The existing file split into sections, each with its raw lines; the lines
// before the first section header form a nameless block. Only lines that
// cannot change how other lines are read are kept: a header "[name]" of
// plain characters, a ";" comment, or key=value with balanced quotes and no
// continuation. A section under a malformed header is dropped whole, since
// the INI reader would file its keys somewhere unforeseeable.
struct Block {
    QByteArray header; // the raw "[name]" line
    QString name;
    std::vector<QByteArray> lines;
    bool dropped = false;
};

bool plain_text(const QByteArray& t, const char* forbidden) {
    for (char c : t)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || std::strchr(forbidden, c))
            return false;
    return true;
}

bool well_formed_header(const QByteArray& t) {
    return t.size() > 2 && t.startsWith('[') && t.endsWith(']') &&
           plain_text(t.mid(1, t.size() - 2), "[]\\\"");
}

bool well_formed_line(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (t.isEmpty() || t.startsWith(';')) return true;
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0 || t.endsWith('\\')) return false;
    const QByteArray key = t.left(eq).trimmed();
    if (key.isEmpty() || !plain_text(key, "[]\"\\;=")) return false;
    const QByteArray value = t.mid(eq + 1);
    int quotes = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\')
            ++i; // an escape: the next character is literal
        else if (c == '"')
            ++quotes;
        else if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return false;
    }
    return quotes % 2 == 0;
}

std::vector<Block> split_sections(const QByteArray& text) {
    std::vector<Block> blocks(1);
    for (const QByteArray& raw : text.split('\n')) {
        QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        const QByteArray t = line.trimmed();
        if (t.startsWith('[')) {
            const bool ok = well_formed_header(t);
            blocks.push_back(
                {line, ok ? QString::fromUtf8(t.mid(1, t.size() - 2)) : QString(), {}, !ok});
        } else if (well_formed_line(line)) {
            blocks.back().lines.push_back(line);
        }
    }
    return blocks;
}

QByteArray key_of(const QByteArray& line) {
    const qsizetype eq = line.indexOf('=');
    return eq < 0 ? QByteArray() : line.left(eq).trimmed();
}

void drop_trailing_blanks(std::vector<QByteArray>& lines) {
    while (!lines.empty() && lines.back().trimmed().isEmpty())
        lines.pop_back();
}

QByteArray compose(const QByteArray& old_text, const Settings& s) {
    // Our sections with their key lines, in writing order.
    struct Out {
        const char* section;
        std::vector<QByteArray> lines;
    };
    std::vector<Out> ours{{dir, {}},  {view, {}},   {player, {}},  {graphics, {}},
                          {midi, {}}, {window, {}}, {practice, {}}};
    auto add = [&](const char* section, const char* key, const QByteArray& value) {
        for (Out& o : ours)
            if (qstrcmp(o.section, section) == 0) o.lines.push_back(key + QByteArray("=") + value);
    };
    Settings copy = s;
    add(dir, "DefaultDir", escaped_text(s.default_dir));
    for (const BoolKey& k : view_keys)
        add(k.section, k.key, s.*k.field ? "1" : "0");
    for (const NumberKey& k : number_keys())
        add(k.section, k.key, QByteArray::number(k.field(copy)));
    add(window, "Maximized", s.maximized ? "1" : "0");
    for (const NumberKey& k : placement_keys())
        add(k.section, k.key, QByteArray::number(k.field(copy)));
    for (const ClampedKey& k : practice_keys)
        add(practice, k.key, QByteArray::number(s.*k.field));

    auto is_ours = [&](const QString& section, const QByteArray& key) {
        if (section == QLatin1String(dir)) return key == "DefaultDir";
        if (section == QLatin1String(window) && key == "Maximized") return true;
        for (const BoolKey& k : view_keys)
            if (section == QLatin1String(k.section) && key == k.key) return true;
        for (const ClampedKey& k : practice_keys)
            if (section == QLatin1String(practice) && key == k.key) return true;
        for (const auto* list : {&number_keys(), &placement_keys()})
            for (const NumberKey& k : *list)
                if (section == QLatin1String(k.section) && key == k.key) return true;
        return false;
    };

    // Keep every other line: unknown keys and comments of our sections go
    // after our keys, other sections follow in their original order.
    std::vector<Block> blocks = split_sections(old_text);
    std::vector<Block> others;
    QByteArray top_comments;         // comments before the first section stay on top
    std::vector<QByteArray> general; // keys before the first section: [General]
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        Block& b = blocks[i];
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
        Out* mine = nullptr;
        for (Out& o : ours)
            if (b.name == QLatin1String(o.section)) mine = &o;
        if (!mine) {
            drop_trailing_blanks(b.lines);
            others.push_back(std::move(b));
            continue;
        }
        for (const QByteArray& line : b.lines) {
            if (line.trimmed().isEmpty() || is_ours(b.name, key_of(line))) continue;
            mine->lines.push_back(line);
        }
    }
    if (!general.empty()) {
        auto g = std::find_if(others.begin(), others.end(),
                              [](const Block& b) { return b.name == QLatin1String("General"); });
        if (g == others.end()) {
            others.push_back({"[General]", "General", {}});
            g = others.end() - 1;
        }
        g->lines.insert(g->lines.begin(), general.begin(), general.end());
    }

    QByteArray out = top_comments;
    if (!out.isEmpty()) out += '\n';
    for (const Out& o : ours) {
        out += '[' + QByteArray(o.section) + "]\n";
        for (const QByteArray& l : o.lines)
            out += l + '\n';
        out += '\n';
    }
    for (const Block& b : others) {
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

Settings settings_from(const QSettings& ini, const Settings& defaults) {
    Settings s = defaults;
    const QVariant d = ini.value(path_key(dir, "DefaultDir"));
    if (d.typeId() == QMetaType::QStringList)
        s.default_dir = d.toStringList().join(u',');
    else if (d.isValid())
        s.default_dir = d.toString();

    for (const BoolKey& k : view_keys)
        if (auto v = read_int(ini, k.section, k.key)) s.*k.field = *v != 0;
    for (const auto* list : {&number_keys(), &placement_keys()})
        for (const NumberKey& k : *list)
            if (auto v = read_int(ini, k.section, k.key); v && k.valid(*v)) k.field(s) = *v;
    if (auto v = read_int(ini, window, "Maximized")) s.maximized = *v != 0;
    for (const ClampedKey& k : practice_keys)
        if (auto v = read_int(ini, practice, k.key)) s.*k.field = std::clamp(*v, k.min, k.max);
    return s;
}

// Reads INI text with Qt's INI reader. Qt keeps parsed files in a
// process-wide cache that it trusts while a file's size and modification
// time (to the millisecond) are unchanged, so a file rewritten at once with
// the same size would read stale. A copy under a name never read before
// avoids that; nullopt when no copy can be made.
template <class Read>
auto read_ini_text(const QByteArray& text, Read read)
    -> std::optional<decltype(read(std::declval<const QSettings&>()))> {
    QTemporaryDir folder;
    if (!folder.isValid()) return std::nullopt;
    const QString file = folder.filePath(QLatin1String(file_name));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) return std::nullopt;
    f.close();
    return read(QSettings(file, QSettings::IniFormat));
}

std::optional<Settings> settings_from_text(const QByteArray& text, const Settings& defaults) {
    return read_ini_text(text, [&](const QSettings& ini) { return settings_from(ini, defaults); });
}

// True when `text`, read as the settings file, yields exactly `s`.
bool reads_back(const QByteArray& text, const Settings& s) {
    return settings_from_text(text, unlike(s)) == s;
}

} // namespace

Settings read_settings(const QString& path, const Settings& defaults) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return defaults;
    if (auto s = settings_from_text(file.readAll(), defaults)) return *s;
    return settings_from(QSettings(path, QSettings::IniFormat), defaults);
}

namespace {

// Every write is checked and synced before the rename: a full disk leaves
// the old file as it was.
bool replace_file(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return write_file_atomically(std::filesystem::path(QFile::encodeName(path).toStdString()),
                                 std::span(reinterpret_cast<const std::uint8_t*>(text.constData()),
                                           std::size_t(text.size())));
}

// The file's bytes; empty when it is missing, nullopt when it is there but
// cannot be read.
std::optional<QByteArray> read_whole(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) return file.readAll();
    if (file.exists()) return std::nullopt;
    return QByteArray();
}

} // namespace

bool write_settings(const QString& path, const Settings& settings) {
    QByteArray text = compose(read_whole(path).value_or(QByteArray()), settings);
    // Whatever the old file held, our keys must read back as written; when
    // the lines kept from it would disturb that, they are dropped.
    if (!reads_back(text, settings)) text = compose({}, settings);
    return replace_file(path, text);
}

QStringList with_recent_file(QStringList files, const QString& file) {
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > max_recent_files)
        files.removeLast();
    return files;
}

QStringList read_recent_files(const QString& path) {
    // Only the well-formed lines of the [Recent] sections reach the INI
    // reader, so a stray line elsewhere cannot run on into them.
    QByteArray text = '[' + QByteArray(recent) + "]\n";
    for (const Block& b : split_sections(read_whole(path).value_or(QByteArray())))
        if (!b.dropped && b.name == QLatin1String(recent))
            for (const QByteArray& line : b.lines)
                text += line + '\n';
    const auto files = read_ini_text(text, [](const QSettings& ini) {
        QStringList out;
        for (int n = 1; n <= max_recent_files; ++n) {
            const QVariant v = ini.value(path_key(recent, "File") + QString::number(n));
            // An unquoted comma makes the reader split the value.
            const QString file =
                v.typeId() == QMetaType::QStringList ? v.toStringList().join(u',') : v.toString();
            if (!file.isEmpty() && !out.contains(file)) out << file;
        }
        return out;
    });
    return files.value_or(QStringList());
}

namespace {

// Replaces the section `name` of the file with `entries` (key=value lines),
// appended when the file has none; every other line stays as it is.
bool write_section(const QString& path, const char* name, const QList<QByteArray>& lines) {
    // Replacing a file we cannot read would lose the other settings.
    const std::optional<QByteArray> text = read_whole(path);
    if (!text) return false;
    const QByteArray& old = *text;
    // Lines are split at '\n' and joined again the same way, so every line
    // outside the section keeps its bytes, a '\r' included.
    const QByteArray cr = old.contains("\r\n") ? "\r" : "";
    const QByteArray header = '[' + QByteArray(name) + ']';
    QList<QByteArray> entries;
    for (const QByteArray& line : lines)
        entries << line + cr;

    QList<QByteArray> out;
    bool in_section = false, written = false;
    for (const QByteArray& line : old.split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.startsWith('[')) {
            in_section = t == header;
            if (in_section && !written) out << line << entries;
            written = written || in_section;
            if (in_section) continue; // a repeated header goes
        } else if (in_section && !t.isEmpty()) {
            continue; // the old entries, and whatever else the section held
        }
        out << line;
    }
    if (!written) {
        if (lines.isEmpty()) return true; // nothing to store, nothing to change
        if (!out.isEmpty() && out.back().isEmpty()) out.removeLast(); // the last line's end
        if (!out.isEmpty() && !out.back().trimmed().isEmpty()) out << cr;
        out << header + cr << entries << QByteArray();
    }
    return replace_file(path, out.join('\n'));
}

// The well-formed lines of the file's sections called `name`, as the
// settings reader would trust them.
std::vector<QByteArray> section_lines(const QString& path, const char* name) {
    std::vector<QByteArray> lines;
    for (const Block& b : split_sections(read_whole(path).value_or(QByteArray())))
        if (!b.dropped && b.name == QLatin1String(name))
            for (const QByteArray& line : b.lines)
                if (!line.trimmed().isEmpty()) lines.push_back(line);
    return lines;
}

QByteArray drawing_file_key(const QString& recording) {
    return QByteArray::fromStdString(path_digest(recording.toStdString()));
}

} // namespace

bool write_recent_files(const QString& path, const QStringList& files) {
    QList<QByteArray> entries;
    for (qsizetype i = 0; i < files.size() && i < max_recent_files; ++i)
        entries << "File" + QByteArray::number(i + 1) + '=' + escaped_text(files[i]);
    return write_section(path, recent, entries);
}

QString read_drawing_file_for(const QString& path, const QString& recording) {
    const QByteArray key = drawing_file_key(recording);
    QByteArray text = '[' + QByteArray(drawing_files) + "]\n";
    for (const QByteArray& line : section_lines(path, drawing_files))
        if (key_of(line) == key) text += line + '\n';
    const auto file = read_ini_text(text, [&key](const QSettings& ini) {
        const QVariant v =
            ini.value(QLatin1String(drawing_files) + u'/' + QString::fromLatin1(key));
        return v.typeId() == QMetaType::QStringList ? v.toStringList().join(u',') : v.toString();
    });
    return file.value_or(QString());
}

bool write_drawing_file_for(const QString& path, const QString& recording,
                            const QString& drawing_file) {
    const std::optional<QByteArray> old = read_whole(path);
    if (!old) return false;
    const QByteArray key = drawing_file_key(recording);
    QList<QByteArray> entries;
    for (const QByteArray& line : section_lines(path, drawing_files))
        if (key_of(line) != key) entries << line;
    if (!drawing_file.isEmpty()) entries << key + '=' + escaped_text(drawing_file);
    while (entries.size() > max_drawing_files)
        entries.removeFirst();
    return write_section(path, drawing_files, entries);
}

QString read_language(const QString& path) {
    QByteArray text = '[' + QByteArray(language) + "]\n";
    for (const QByteArray& line : section_lines(path, language))
        text += line + '\n';
    const auto code = read_ini_text(text, [](const QSettings& ini) {
        return ini.value(QLatin1String(language) + u'/' + QLatin1String(language)).toString();
    });
    if (!code || (*code != QLatin1String("ja") && *code != QLatin1String("en"))) return {};
    return *code;
}

bool write_language(const QString& path, const QString& code) {
    return write_section(path, language, {QByteArray(language) + '=' + code.toLatin1()});
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

} // namespace pitkad
