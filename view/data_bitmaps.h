#pragma once
// Loaders of the two data bitmaps into QImage (Format_BGR888). A file that
// is missing, not a 24-bit bitmap, or smaller than its layout needs is
// refused: the loader returns nullopt and the menu items it would enable
// stay disabled.

#include <filesystem>
#include <optional>

#include <QImage>

namespace pitkad {

inline constexpr const char* font_file_name = "Pitkafont.bmp";
inline constexpr const char* colour_file_name = "Pitkacolor.bmp";

// At least 144 × 132 pixels.
std::optional<QImage> load_font_bitmap(const std::filesystem::path& file);
// At least 463 pixels wide.
std::optional<QImage> load_colour_bitmap(const std::filesystem::path& file);

} // namespace pitkad
