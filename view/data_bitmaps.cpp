#include "view/data_bitmaps.h"

#include <cstring>

#include "view/bmp_file.h"
#include "view/colour_map.h"
#include "view/note_labels.h"

namespace pitkad {

namespace {

std::optional<QImage> load_bgr(const std::filesystem::path& file, int min_width, int min_height) {
    const std::optional<Bgr24Image> bmp = read_bmp24(file);
    if (!bmp || bmp->width < min_width || bmp->height < min_height) return std::nullopt;
    QImage img(bmp->width, bmp->height, QImage::Format_BGR888);
    if (img.isNull()) return std::nullopt;
    for (int y = 0; y < bmp->height; ++y)
        std::memcpy(img.scanLine(y), bmp->pixel(0, y), std::size_t(bmp->width) * 3);
    return img;
}

} // namespace

std::optional<QImage> load_font_bitmap(const std::filesystem::path& file) {
    return load_bgr(file, font_min_width, font_min_height);
}

std::optional<QImage> load_colour_bitmap(const std::filesystem::path& file) {
    return load_bgr(file, colour_bitmap_min_width, 1);
}

} // namespace pitkad
