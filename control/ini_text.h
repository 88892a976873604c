#pragma once
// INI text as the settings file holds it: "[name]" section headers,
// "key=value" lines and ";" comments, with values quoted and escaped the way
// Qt's INI format does it, so that files written through QSettings read the
// same. One codec reads and writes: only well-formed lines are read, and the
// writers keep every other line as it was.
//
// A line is well formed when it is blank, a ";" comment, or a key of plain
// characters, "=", and a value whose quotes balance and that neither runs on
// into the next line nor holds control characters; a header when it is
// "[name]" of plain characters. The lines under a malformed header are not
// read: where a reader would file them cannot be foreseen.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

namespace pitkad {

class IniText {
  public:
    // A section: its header and its well-formed lines, '\r' removed. The
    // lines before the first header form a nameless section.
    struct Section {
        QByteArray header; // the raw "[name]" line; empty for the first
        QString name;      // between the brackets, trimmed
        std::vector<QByteArray> lines;
        bool dropped = false; // under a malformed header: not read
    };

    IniText() = default;
    explicit IniText(QByteArray text);

    const QByteArray& text() const { return text_; }
    const std::vector<Section>& sections() const { return sections_; }

    // The value of `key` in the sections called `section` (the last such line
    // wins, as in Qt's reader); nullopt without one.
    std::optional<QString> value(const char* section, QByteArrayView key) const;
    // The non-blank lines of the sections called `section`, in file order.
    std::vector<QByteArray> lines(const char* section) const;

    // This text with the section `name` holding `lines` alone: under its first
    // header, its other headers and lines gone, or appended when the text has
    // none (nothing changes when `lines` is empty then). Every line outside
    // the section keeps its bytes, and the file's "\r\n" line ends are kept.
    QByteArray with_section(const char* name, const std::vector<QByteArray>& lines) const;

    // The key of a "key=value" line, trimmed; empty for other lines.
    static QByteArray key_of(QByteArrayView line);
    // `text` as a value that value() reads back unchanged.
    static QByteArray escaped(const QString& text);
    // A value as Qt's INI reader decodes it: quotes, backslash escapes, an
    // unquoted ',' splitting a list (joined again with ','), "@@" for a
    // leading "@", "@String(…)" and "@ByteArray(…)". nullopt for Qt's other
    // typed values, which hold no text, and an empty text for a list of them.
    static std::optional<QString> decoded(QByteArrayView value);

  private:
    QByteArray text_;
    std::vector<Section> sections_;
};

} // namespace pitkad
