// Draws the drawing-tool window's button images: a 256 × 16 strip of sixteen
// 16 × 16 pictures side by side, written as a 24-bit BMP. Aqua (0, 255, 255)
// is the transparent colour. Usage: make_toolbar_icon OUTPUT.bmp

#include "view/bmp_file.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

using Art = std::array<std::string_view, 16>;

Rgb colour_of(char c) {
    switch (c) {
    case 'k':
        return {0, 0, 0};
    case 'w':
        return {255, 255, 255};
    case 'e':
        return {128, 128, 128};
    case 's':
        return {192, 192, 192};
    case 'd':
        return {64, 64, 64};
    case 'r':
        return {230, 40, 40};
    case 'R':
        return {140, 0, 0};
    case 'g':
        return {40, 180, 40};
    case 'G':
        return {0, 100, 0};
    case 'b':
        return {50, 90, 230};
    case 'B':
        return {0, 30, 140};
    case 'n':
        return {0, 0, 128};
    case 'y':
        return {255, 220, 40};
    case 'Y':
        return {200, 150, 0};
    case 'l':
        return {255, 255, 200};
    case 'h':
        return {127, 127, 255};
    case 'H':
        return {70, 70, 190};
    default:
        return {0, 255, 255}; // '.': transparent
    }
}

// clang-format off
// Bars of the pen drawing picture, also shown in the pen selection frame.
constexpr Art pen_draw = {
    "................",
    "................",
    ".rrrrrrrrr......",
    ".rrrrrrrrr......",
    ".RRRRRRRRR......",
    "................",
    "................",
    ".....ggggggggg..",
    ".....ggggggggg..",
    ".....GGGGGGGGG..",
    "................",
    "................",
    "..bbbbbbbbbb....",
    "..bbbbbbbbbb....",
    "..BBBBBBBBBB....",
    "................",
};
constexpr Art line_draw = {
    "................",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    "................",
};
constexpr Art pen_select = {
    "................",
    "................",
    "................",
    "................",
    "...rrrrrr.......",
    "...RRRRRR.......",
    "................",
    "......rrrrrr....",
    "......RRRRRR....",
    "................",
    "....rrrrrrr.....",
    "....RRRRRRR.....",
    "................",
    "................",
    "................",
    "................",
};
constexpr Art line_select = {
    "................",
    "................",
    "................",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    ".......bn.......",
    "................",
    "................",
    "................",
};
constexpr Art clipboard = {
    "................",
    "..kkkkkkkkk.....",
    "..kwwwwwwwkk....",
    "..kwwwwwwwkwk...",
    "..kwwwwwwwkkkk..",
    "..kwwwwwwwwwwk..",
    "..kweeeeeeeewk..",
    "..kwwwwwwwwwwk..",
    "..kweeeeeeeewk..",
    "..kwwwwwwwwwwk..",
    "..kweeeeeeeewk..",
    "..kwwwwwwwwwwk..",
    "..kweeeeewwwwk..",
    "..kwwwwwwwwwwk..",
    "..kkkkkkkkkkkk..",
    "................",
};
constexpr Art select_del = {
    "................",
    ".......rr.......",
    "......rrrr......",
    "......rrrr......",
    "......rrrr......",
    ".......rr.......",
    ".......rr.......",
    ".......rr.......",
    "................",
    ".......rr.......",
    ".......rr.......",
    "................",
    "..hhhhhhhhhhhh..",
    "..hhhhhhhhhhhh..",
    "..HHHHHHHHHHHH..",
    "................",
};
constexpr Art all_select = {
    "................",
    "................",
    "................",
    "................",
    "...n........n...",
    "..nn........nn..",
    ".nnn........nnn.",
    "nnnnnnnnnnnnnnnn",
    "nnnnnnnnnnnnnnnn",
    ".nnn........nnn.",
    "..nn........nn..",
    "...n........n...",
    "................",
    "................",
    "................",
    "................",
};
constexpr Art left_line = {
    "................",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    ".k.....r......k.",
    ".k....rr......k.",
    ".k...rrr......k.",
    ".k..rrrrrrrrr.k.",
    ".k..rrrrrrrrr.k.",
    ".k...rrr......k.",
    ".k....rr......k.",
    ".k.....r......k.",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    "................",
};
constexpr Art right_line = {
    "................",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    ".k......r.....k.",
    ".k......rr....k.",
    ".k......rrr...k.",
    ".k.rrrrrrrrr..k.",
    ".k.rrrrrrrrr..k.",
    ".k......rrr...k.",
    ".k......rr....k.",
    ".k......r.....k.",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    "................",
};
constexpr Art pen_midi = {
    "................",
    "........kk......",
    "........kkkk....",
    "........k.kkk...",
    "........k...kk..",
    "........k....k..",
    "........k.......",
    "........k.......",
    "......kkk.......",
    ".....kkkk.......",
    ".....kkkk.......",
    "......kk........",
    "................",
    "..gggggggggggg..",
    "..GGGGGGGGGGGG..",
    "................",
};
constexpr Art pen_show = {
    "................",
    "...kkkk.........",
    "..kyyyyk..rrrrr.",
    ".kyylyyyk.RRRRR.",
    ".kylyyyyk.......",
    ".kyyyyyyk.......",
    "..kyyyyk..ggggg.",
    "...kssk...GGGGG.",
    "...kddk.........",
    "...kssk.........",
    "....kk..........",
    "................",
    "..bbbbbbbbbbbb..",
    "..BBBBBBBBBBBB..",
    "................",
    "................",
};
constexpr Art line_show = {
    "................",
    ".....kkkkkk.....",
    "....kyyyyyyk....",
    "...kyylyyyyyk...",
    "...kylyyyyyyk...",
    "...kyyyyyyyyk...",
    "...kyyyyyyyyk...",
    "....kyyyyyyk....",
    ".....kyyyyk.....",
    "......kyyk......",
    "......kssk......",
    "......kddk......",
    "......kssk......",
    "......kddk......",
    ".......kk.......",
    "................",
};
constexpr Art load_draw = {
    "................",
    "................",
    "................",
    ".kkkk...........",
    "kyyyyk..........",
    "kyyyyykkkkkkk...",
    "kyyyyyyyyyyyk...",
    "kyyyykkkkkkkkkkk",
    "kyyykYYYYYYYYYk.",
    "kyykYYYYYYYYYk..",
    "kykYYYYYYYYYk...",
    "kkYYYYYYYYYk....",
    "kkkkkkkkkkk.....",
    "................",
    "................",
    "................",
};
constexpr Art save_draw = {
    "................",
    ".kkkkkkkkkkkkkk.",
    ".knnsssssssnnnk.",
    ".knnsskksssnnnk.",
    ".knnsskksssnnnk.",
    ".knnsssssssnnnk.",
    ".knnnnnnnnnnnnk.",
    ".knnnnnnnnnnnnk.",
    ".knwwwwwwwwwwnk.",
    ".knweeeeeeeewnk.",
    ".knwwwwwwwwwwnk.",
    ".knweeeeeeeewnk.",
    ".knwwwwwwwwwwnk.",
    ".knwwwwwwwwwwnk.",
    ".kkkkkkkkkkkkkk.",
    "................",
};
constexpr Art quantize = {
    ".e...e...e...e..",
    "................",
    ".e...e...e...e..",
    "................",
    ".e...e...e...e..",
    "................",
    ".e...kkkkkkkkk..",
    ".....kgggggggk..",
    ".e...kGGGGGGGk..",
    ".....kkkkkkkkk..",
    ".e...e...e...e..",
    "................",
    ".e...e...e...e..",
    "................",
    ".e...e...e...e..",
    "................",
};
constexpr Art unused = {
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
};

// clang-format on

struct Picture {
    const Art* art;
    bool dashed_frame; // the selection pictures sit in a dashed frame
};

// In button image order.
constexpr std::array<Picture, 16> pictures{{
    {&pen_draw, false},
    {&line_draw, false},
    {&pen_select, true},
    {&line_select, true},
    {&clipboard, false},
    {&select_del, false},
    {&all_select, false},
    {&left_line, false},
    {&right_line, false},
    {&pen_midi, false},
    {&pen_show, false},
    {&line_show, false},
    {&load_draw, false},
    {&save_draw, false},
    {&quantize, false},
    {&unused, false},
}};

constexpr int width = 256, height = 16;

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_toolbar_icon OUTPUT.bmp\n");
        return 2;
    }
    pitkad::Bgr24Image strip(width, height);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Art& art = *pictures[i].art;
        for (int y = 0; y < 16; ++y) {
            if (art[std::size_t(y)].size() != 16) {
                std::fprintf(stderr, "make_toolbar_icon: picture %zu row %d is not 16 wide\n", i,
                             y);
                return 1;
            }
            for (int x = 0; x < 16; ++x) {
                char c = art[std::size_t(y)][std::size_t(x)];
                const bool edge = x == 0 || x == 15 || y == 0 || y == 15;
                // Dashes of two pixels, starting at each corner.
                if (pictures[i].dashed_frame && edge) c = ((x + y) / 2) % 2 == 0 ? 'k' : '.';
                const Rgb p = colour_of(c);
                strip.set(int(i) * 16 + x, y, p.r, p.g, p.b);
            }
        }
    }

    if (!pitkad::write_bmp24(argv[1], strip)) {
        std::fprintf(stderr, "make_toolbar_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
