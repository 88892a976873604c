#pragma once
// Hand-made pixel fonts for the note names, one per glyph height. A glyph
// is a list of rows, '#' for ink. The letters are the seven naturals; the
// sharp sign is its own glyph set beside them.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace pitkad::tools {

using Glyph = std::vector<std::string_view>;

struct PixelFont {
    int height = 0;
    // C D E F G A B
    std::array<Glyph, 7> letters;
    Glyph sharp;
};

inline const PixelFont& font3() {
    static const PixelFont f{3,
                             {{
                                 {"###", "#..", "###"}, // C
                                 {"##.", "#.#", "##."}, // D
                                 {"###", "##.", "###"}, // E
                                 {"###", "##.", "#.."}, // F
                                 {"##.", "#.#", "###"}, // G
                                 {".#.", "###", "#.#"}, // A
                                 {"##.", "###", "##."}, // B
                             }},
                             {".#.#.", "#####", ".#.#."}};
    return f;
}

inline const PixelFont& font4() {
    static const PixelFont f{4,
                             {{
                                 {"###", "#..", "#..", "###"}, // C
                                 {"##.", "#.#", "#.#", "##."}, // D
                                 {"###", "##.", "#..", "###"}, // E
                                 {"###", "#..", "##.", "#.."}, // F
                                 {"###", "#..", "#.#", "###"}, // G
                                 {".#.", "#.#", "###", "#.#"}, // A
                                 {"##.", "###", "#.#", "##."}, // B
                             }},
                             {".#.#.", "#####", ".#.#.", "#####"}};
    return f;
}

inline const PixelFont& font5() {
    static const PixelFont f{5,
                             {{
                                 {".###", "#...", "#...", "#...", ".###"}, // C
                                 {"###.", "#..#", "#..#", "#..#", "###."}, // D
                                 {"####", "#...", "###.", "#...", "####"}, // E
                                 {"####", "#...", "###.", "#...", "#..."}, // F
                                 {".###", "#...", "#.##", "#..#", ".###"}, // G
                                 {".##.", "#..#", "####", "#..#", "#..#"}, // A
                                 {"###.", "#..#", "###.", "#..#", "###."}, // B
                             }},
                             {".#.#.", "#####", ".#.#.", "#####", ".#.#."}};
    return f;
}

inline const PixelFont& font7() {
    static const PixelFont f{
        7,
        {{
            {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}, // C
            {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}, // D
            {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}, // E
            {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}, // F
            {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}, // G
            {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}, // A
            {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}, // B
        }},
        {".#.#.", ".#.#.", "#####", ".#.#.", "#####", ".#.#.", ".#.#."}};
    return f;
}

inline const PixelFont& font9() {
    static const PixelFont f{
        9,
        {{
            {".####.", "#....#", "#.....", "#.....", "#.....", "#.....", "#.....", "#....#",
             ".####."}, // C
            {"#####.", "#....#", "#....#", "#....#", "#....#", "#....#", "#....#", "#....#",
             "#####."}, // D
            {"######", "#.....", "#.....", "#.....", "#####.", "#.....", "#.....", "#.....",
             "######"}, // E
            {"######", "#.....", "#.....", "#.....", "#####.", "#.....", "#.....", "#.....",
             "#....."}, // F
            {".####.", "#....#", "#.....", "#.....", "#..###", "#....#", "#....#", "#...##",
             ".###.#"}, // G
            {"..##..", ".#..#.", "#....#", "#....#", "######", "#....#", "#....#", "#....#",
             "#....#"}, // A
            {"#####.", "#....#", "#....#", "#....#", "#####.", "#....#", "#....#", "#....#",
             "#####."}, // B
        }},
        {".#..#.", ".#..#.", "######", ".#..#.", ".#..#.", ".#..#.", "######", ".#..#.", ".#..#."}};
    return f;
}

// An ink bitmap of rows × columns, built from the glyphs.
struct InkRows {
    std::vector<std::string> rows;
    int width() const { return rows.empty() ? 0 : int(rows[0].size()); }
    int height() const { return int(rows.size()); }
    bool ink(int x, int y) const {
        return y >= 0 && y < height() && x >= 0 && x < width() &&
               rows[std::size_t(y)][std::size_t(x)] == '#';
    }
};

inline InkRows to_ink(const Glyph& g) {
    InkRows r;
    for (std::string_view row : g)
        r.rows.emplace_back(row);
    return r;
}

// The face for the widest rows: the 9-row face with two-pixel-wide
// vertical strokes, set in the middle of the 11 rows.
inline InkRows bold(const Glyph& g) {
    const InkRows src = to_ink(g);
    InkRows out;
    for (int y = 0; y < src.height(); ++y) {
        std::string row(std::size_t(src.width() + 1), '.');
        for (int x = 0; x <= src.width(); ++x)
            if (src.ink(x, y) || src.ink(x - 1, y)) row[std::size_t(x)] = '#';
        out.rows.push_back(row);
    }
    return out;
}

// Letter index (C D E F G A B) and sharp flag of pitch class 0 … 11.
struct NoteSpelling {
    int letter;
    bool sharp;
};
inline constexpr std::array<NoteSpelling, 12> note_spelling{{
    {0, false},
    {0, true},
    {1, false},
    {1, true},
    {2, false},
    {3, false},
    {3, true},
    {4, false},
    {4, true},
    {5, false},
    {5, true},
    {6, false},
}};

// The note name of a pitch class set in the face that suits `rows` rows:
// letter, a one-pixel gap, and the sharp sign.
inline InkRows note_label(int pitch_class, int rows) {
    const NoteSpelling n = note_spelling[std::size_t(pitch_class)];
    InkRows letter, sharp;
    if (rows >= 11) {
        letter = bold(font9().letters[std::size_t(n.letter)]);
        sharp = bold(font9().sharp);
    } else {
        const PixelFont& f = rows >= 9   ? font9()
                             : rows >= 7 ? font7()
                             : rows >= 5 ? font5()
                             : rows >= 4 ? font4()
                                         : font3();
        letter = to_ink(f.letters[std::size_t(n.letter)]);
        sharp = to_ink(f.sharp);
    }
    if (!n.sharp) return letter;
    InkRows out;
    for (int y = 0; y < letter.height(); ++y) {
        std::string row = letter.rows[std::size_t(y)] + ".";
        row += y < sharp.height() ? sharp.rows[std::size_t(y)]
                                  : std::string(std::size_t(sharp.width()), '.');
        out.rows.push_back(row);
    }
    return out;
}

} // namespace pitkad::tools
