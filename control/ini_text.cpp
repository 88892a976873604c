#include "control/ini_text.h"

#include <QList>
#include <QStringDecoder>

#include <cstring>
#include <utility>

namespace pitkad {

namespace {

bool plain_text(QByteArrayView t, const char* forbidden) {
    for (char c : t)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || std::strchr(forbidden, c))
            return false;
    return true;
}

// The name of a well-formed header (a trimmed line); nullopt otherwise.
std::optional<QString> header_name(QByteArrayView t) {
    if (t.size() <= 2 || !t.startsWith('[') || !t.endsWith(']')) return std::nullopt;
    const QByteArrayView inner = t.sliced(1, t.size() - 2);
    if (!plain_text(inner, "[]\\\"")) return std::nullopt;
    return QString::fromUtf8(inner).trimmed();
}

// The value of a well-formed "key=value" line, without a trailing ";"
// comment; nullopt for any other line.
std::optional<QByteArrayView> value_part(QByteArrayView line) {
    const QByteArrayView t = line.trimmed();
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0) return std::nullopt;
    const QByteArrayView key = t.first(eq).trimmed();
    if (key.isEmpty() || !plain_text(key, "[]\"\\;=")) return std::nullopt;
    const QByteArrayView value = t.sliced(eq + 1);
    bool in_quotes = false;
    qsizetype i = 0;
    for (; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\') {
            if (++i == value.size()) return std::nullopt; // would run on into the next line
        } else if (c == '"') {
            in_quotes = !in_quotes;
        } else if (c == ';' && !in_quotes) {
            break; // a comment to the end of the line
        } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            return std::nullopt;
        }
    }
    if (in_quotes) return std::nullopt;
    return value.first(i);
}

bool blank_or_comment(QByteArrayView line) {
    const QByteArrayView t = line.trimmed();
    return t.isEmpty() || t.startsWith(';');
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A leading '@' marks one of Qt's typed values; "@@" stands for a text
// starting with '@'.
std::optional<QString> untyped(QString s) {
    if (!s.startsWith(u'@')) return s;
    if (s.startsWith(QLatin1String("@@"))) return s.sliced(1);
    if (!s.endsWith(u')')) return s;
    if (s == QLatin1String("@Invalid()")) return std::nullopt;
    if (s.startsWith(QLatin1String("@String("))) return s.sliced(8).chopped(1);
    if (s.startsWith(QLatin1String("@ByteArray(")))
        return QString::fromUtf8(s.sliced(11).chopped(1).toLatin1());
    for (const char* typed : {"@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point("})
        if (s.startsWith(QLatin1String(typed))) return std::nullopt;
    return s;
}

} // namespace

IniText::IniText(QByteArray text) : text_(std::move(text)) {
    sections_.resize(1);
    for (const QByteArray& raw : text_.split('\n')) {
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        const QByteArrayView t = QByteArrayView(line).trimmed();
        if (t.startsWith('[')) {
            const std::optional<QString> name = header_name(t);
            sections_.push_back({line, name.value_or(QString()), {}, !name});
        } else if (blank_or_comment(line) || value_part(line)) {
            sections_.back().lines.push_back(line);
        }
    }
}

std::optional<QString> IniText::value(const char* section, QByteArrayView key) const {
    std::optional<QString> found;
    for (const Section& s : sections_) {
        if (s.dropped || s.name != QLatin1String(section)) continue;
        for (const QByteArray& line : s.lines)
            if (!blank_or_comment(line) && key_of(line) == key) found = decoded(*value_part(line));
    }
    return found;
}

std::vector<QByteArray> IniText::lines(const char* section) const {
    std::vector<QByteArray> out;
    for (const Section& s : sections_)
        if (!s.dropped && s.name == QLatin1String(section))
            for (const QByteArray& line : s.lines)
                if (!line.trimmed().isEmpty()) out.push_back(line);
    return out;
}

QByteArray IniText::with_section(const char* name, const std::vector<QByteArray>& lines) const {
    // Lines are split at '\n' and joined again the same way, so every line
    // outside the section keeps its bytes, a '\r' included.
    const QByteArray cr = text_.contains("\r\n") ? "\r" : "";
    const QByteArray header = '[' + QByteArray(name) + ']';
    QList<QByteArray> entries;
    for (const QByteArray& line : lines)
        entries << line + cr;

    QList<QByteArray> out;
    bool in_section = false, written = false;
    for (const QByteArray& line : text_.split('\n')) {
        const QByteArrayView t = QByteArrayView(line).trimmed();
        if (t.startsWith('[')) {
            in_section = header_name(t) == QLatin1String(name);
            if (in_section && !written) out << line << entries;
            written = written || in_section;
            if (in_section) continue; // a repeated header goes
        } else if (in_section && !t.isEmpty()) {
            continue; // the old entries, and whatever else the section held
        }
        out << line;
    }
    if (!written) {
        if (lines.empty()) return text_; // nothing to store, nothing to change
        if (!out.isEmpty() && out.back().isEmpty()) out.removeLast(); // the last line's end
        if (!out.isEmpty() && !out.back().trimmed().isEmpty()) out << cr;
        out << header + cr << entries << QByteArray();
    }
    return out.join('\n');
}

QByteArray IniText::key_of(QByteArrayView line) {
    if (blank_or_comment(line)) return {};
    const qsizetype eq = line.indexOf('=');
    return eq < 0 ? QByteArray() : line.first(eq).trimmed().toByteArray();
}

QByteArray IniText::escaped(const QString& text) {
    // Backslash escapes, quotes around text with separators or edge blanks,
    // a leading '@' doubled.
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
        if (hex_follows && c < 0x80 && hex_digit(char(c)) >= 0) {
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

namespace {

// Appends the character of the escape whose letter is at v[i] (after its
// backslash) to `out`; returns the index after the escape. Hex digits and
// octal digits, as many as follow, make one UTF-16 unit; an unknown escaped
// character is dropped.
qsizetype decode_escape(QByteArrayView v, qsizetype i, QString& out) {
    static constexpr std::pair<char, char16_t> simple_escapes[] = {
        {'a', u'\a'}, {'b', u'\b'}, {'f', u'\f'}, {'n', u'\n'},  {'r', u'\r'},  {'t', u'\t'},
        {'v', u'\v'}, {'"', u'"'},  {'?', u'?'},  {'\'', u'\''}, {'\\', u'\\'},
    };
    const qsizetype n = v.size();
    const char e = v[i++];
    for (auto [code, ch] : simple_escapes)
        if (e == code) {
            out += QChar(ch);
            return i;
        }
    if (e == 'x') {
        char16_t unit = 0;
        bool any = false;
        for (; i < n && hex_digit(v[i]) >= 0; ++i, any = true)
            unit = char16_t(unit * 16 + hex_digit(v[i]));
        if (any) out += QChar(unit);
    } else if (e >= '0' && e <= '7') {
        char16_t unit = char16_t(e - '0');
        for (; i < n && v[i] >= '0' && v[i] <= '7'; ++i)
            unit = char16_t(unit * 8 + (v[i] - '0'));
        out += QChar(unit);
    }
    return i;
}

// A list value as one text: items joined by commas, "@@" at an item's start
// read as "@"; empty when an item is a typed value ("@Variant(…)" and the like).
QString joined_items(QStringList items) {
    for (QString& item : items) {
        if (!item.startsWith(u'@')) continue;
        if (!item.startsWith(QLatin1String("@@"))) return QString();
        item.remove(0, 1);
    }
    return items.join(u',');
}

} // namespace

std::optional<QString> IniText::decoded(QByteArrayView v) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QStringList items;
    QString cur;
    bool list = false;
    bool in_quotes = false;
    bool quoted = false; // a quoted item keeps its trailing blanks
    qsizetype keep = 0;  // characters before this are never trimmed as trailing blanks
    qsizetype i = 0;
    const qsizetype n = v.size();
    auto skip_blanks = [&] {
        while (i < n && (v[i] == ' ' || v[i] == '\t'))
            ++i;
        keep = cur.size();
    };
    auto chop_blanks = [&] {
        if (quoted) return;
        qsizetype end = cur.size();
        while (end > keep && (cur[end - 1] == u' ' || cur[end - 1] == u'\t'))
            --end;
        cur.truncate(end);
    };

    skip_blanks();
    while (i < n) {
        const char c = v[i];
        if (c == '\\') {
            if (++i == n) {
                keep = cur.size();
                break;
            }
            i = decode_escape(v, i, cur);
            keep = cur.size();
        } else if (c == '"') {
            ++i;
            quoted = true;
            in_quotes = !in_quotes;
            if (!in_quotes) skip_blanks();
        } else if (c == ',' && !in_quotes) {
            chop_blanks();
            items << cur;
            cur.clear();
            list = true;
            quoted = false;
            ++i;
            skip_blanks();
        } else {
            qsizetype j = i + 1;
            while (j < n && v[j] != '\\' && v[j] != '"' && v[j] != ',')
                ++j;
            cur += utf8(v.sliced(i, j - i));
            i = j;
        }
    }
    chop_blanks();
    if (!list) return untyped(cur);
    items << cur;
    return joined_items(items);
}

} // namespace pitkad
