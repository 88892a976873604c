#include "drawing/draw_annotations.h"

#include "base/le_bytes.h"

#include <algorithm>
#include <charconv>

namespace pitkad {

bool DrawAnnotations::empty() const {
    return markers.empty() && meters.empty() && !key &&
           std::all_of(track_names.begin(), track_names.end(),
                       [](const std::string& s) { return s.empty(); });
}

namespace {

std::string cut_text(std::string s) {
    if (s.size() <= std::size_t(annotation_text_max)) return s;
    std::size_t n = std::size_t(annotation_text_max);
    // Not in the middle of a UTF-8 sequence.
    while (n > 0 && (std::uint8_t(s[n]) & 0xc0) == 0x80)
        --n;
    s.resize(n);
    return s;
}

} // namespace

int add_marker(DrawAnnotations& a, int frame, std::string name) {
    const auto at = std::upper_bound(a.markers.begin(), a.markers.end(), frame,
                                     [](int f, const SectionMarker& m) { return f < m.frame; });
    const auto added = a.markers.insert(at, SectionMarker{frame, cut_text(std::move(name))});
    return int(added - a.markers.begin());
}

void set_meter(DrawAnnotations& a, int frame, std::optional<MeterMark> meter) {
    auto at = std::lower_bound(a.meters.begin(), a.meters.end(), frame,
                               [](const MeterMark& m, int f) { return m.frame < f; });
    const bool there = at != a.meters.end() && at->frame == frame;
    if (!meter) {
        if (there) a.meters.erase(at);
        return;
    }
    meter->frame = frame;
    if (there)
        *at = *meter;
    else
        a.meters.insert(at, *meter);
}

int marker_before(const DrawAnnotations& a, int frame) {
    for (int i = int(a.markers.size()) - 1; i >= 0; --i)
        if (a.markers[std::size_t(i)].frame < frame) return i;
    return -1;
}

int marker_after(const DrawAnnotations& a, int frame) {
    for (std::size_t i = 0; i < a.markers.size(); ++i)
        if (a.markers[i].frame > frame) return int(i);
    return -1;
}

bool valid_meter(int numerator, int denominator) {
    return numerator >= 2 && numerator <= 12 &&
           (denominator == 2 || denominator == 4 || denominator == 8 || denominator == 16);
}

std::string meter_text(int numerator, int denominator) {
    return std::to_string(numerator) + "/" + std::to_string(denominator);
}

std::optional<MeterMark> parse_meter(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    int n = 0, d = 0;
    const auto a = std::from_chars(text.data(), text.data() + slash, n);
    const auto b = std::from_chars(text.data() + slash + 1, text.data() + text.size(), d);
    if (a.ec != std::errc{} || a.ptr != text.data() + slash || b.ec != std::errc{} ||
        b.ptr != text.data() + text.size() || !valid_meter(n, d))
        return std::nullopt;
    return MeterMark{0, n, d};
}

// The block: "PKCA", the payload's length, then entries of a four-character
// kind, a length and that many bytes:
//   "MARK" markers:     per marker   frame (i32), name length (u16), name
//   "METR" meter marks: per mark     frame (i32), numerator (u8), denominator (u8)
//   "KEY " key:         fifths (i8), minor (u8)
//   "TRAK" track names: per name     colour (u8), name length (u16), name
namespace {

constexpr std::string_view block_mark = "PKCA";

void append_entry(std::vector<std::uint8_t>& out, std::string_view kind,
                  const std::vector<std::uint8_t>& body) {
    le::append_tag(out, kind);
    le::append_u32(out, std::uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

void append_text(std::vector<std::uint8_t>& out, const std::string& s) {
    le::append_u16(out, std::uint16_t(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

// Reads entries of one kind; false when one is cut off or out of range.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> b) : b_(b) {}
    bool done() const { return at_ == b_.size(); }
    bool has(std::size_t n) const { return b_.size() - at_ >= n; }
    std::uint8_t u8() { return b_[at_++]; }
    std::int32_t i32() {
        const auto v = le::i32(b_, at_);
        at_ += 4;
        return v;
    }
    std::optional<std::string> text() {
        if (!has(2)) return std::nullopt;
        const std::size_t n = le::u16(b_, at_);
        at_ += 2;
        if (n > std::size_t(annotation_text_max) || !has(n)) return std::nullopt;
        std::string s(reinterpret_cast<const char*>(b_.data() + at_), n);
        at_ += n;
        return s;
    }

  private:
    std::span<const std::uint8_t> b_;
    std::size_t at_ = 0;
};

bool read_markers(Reader r, int frame_count, DrawAnnotations& out) {
    while (!r.done()) {
        if (!r.has(4) || out.markers.size() >= std::size_t(annotation_count_max)) return false;
        const int frame = r.i32();
        const auto name = r.text();
        if (!name || frame < 0) return false;
        if (frame < frame_count) add_marker(out, frame, *name);
    }
    return true;
}

bool read_meters(Reader r, int frame_count, DrawAnnotations& out) {
    while (!r.done()) {
        if (!r.has(6) || out.meters.size() >= std::size_t(annotation_count_max)) return false;
        const int frame = r.i32();
        const int n = r.u8(), d = r.u8();
        if (frame < 0 || !valid_meter(n, d)) return false;
        if (frame < frame_count) set_meter(out, frame, MeterMark{frame, n, d});
    }
    return true;
}

bool read_key(Reader r, DrawAnnotations& out) {
    if (!r.has(2)) return false;
    const int fifths = std::int8_t(r.u8());
    const int minor = r.u8();
    if (fifths < -7 || fifths > 7 || minor > 1 || !r.done()) return false;
    out.key = KeySignature{fifths, minor == 1};
    return true;
}

bool read_tracks(Reader r, DrawAnnotations& out) {
    while (!r.done()) {
        if (!r.has(1)) return false;
        const int colour = r.u8();
        const auto name = r.text();
        if (!name || colour < 1 || colour > 16) return false;
        out.track_names[std::size_t(colour - 1)] = *name;
    }
    return true;
}

} // namespace

std::vector<std::uint8_t> build_annotation_block(const DrawAnnotations& a) {
    if (a.empty()) return {};
    std::vector<std::uint8_t> payload, body;
    if (!a.markers.empty()) {
        for (const SectionMarker& m : a.markers) {
            le::append_u32(body, std::uint32_t(m.frame));
            append_text(body, cut_text(m.name));
        }
        append_entry(payload, "MARK", body);
    }
    if (!a.meters.empty()) {
        body.clear();
        for (const MeterMark& m : a.meters) {
            le::append_u32(body, std::uint32_t(m.frame));
            body.push_back(std::uint8_t(m.numerator));
            body.push_back(std::uint8_t(m.denominator));
        }
        append_entry(payload, "METR", body);
    }
    if (a.key)
        append_entry(payload, "KEY ",
                     {std::uint8_t(std::int8_t(a.key->fifths)), std::uint8_t(a.key->minor)});
    body.clear();
    for (std::size_t c = 0; c < a.track_names.size(); ++c) {
        if (a.track_names[c].empty()) continue;
        body.push_back(std::uint8_t(c + 1));
        append_text(body, cut_text(a.track_names[c]));
    }
    if (!body.empty()) append_entry(payload, "TRAK", body);

    std::vector<std::uint8_t> out;
    le::append_tag(out, block_mark);
    le::append_u32(out, std::uint32_t(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

AnnotationRead read_annotation_block(std::span<const std::uint8_t> bytes, int frame_count,
                                     DrawAnnotations& out) {
    out.clear();
    if (bytes.size() < 4 || !le::is_tag(bytes, 0, block_mark)) return AnnotationRead::none;
    const auto damaged = [&] {
        out.clear();
        return AnnotationRead::damaged;
    };
    if (bytes.size() < 8) return damaged();
    const std::size_t length = le::u32(bytes, 4);
    if (length > bytes.size() - 8) return damaged();
    const auto payload = bytes.subspan(8, length);
    std::size_t at = 0;
    while (at < payload.size()) {
        if (payload.size() - at < 8) return damaged();
        const std::size_t n = le::u32(payload, at + 4);
        if (n > payload.size() - at - 8) return damaged();
        const Reader body(payload.subspan(at + 8, n));
        bool fine = true;
        if (le::is_tag(payload, at, "MARK"))
            fine = read_markers(body, frame_count, out);
        else if (le::is_tag(payload, at, "METR"))
            fine = read_meters(body, frame_count, out);
        else if (le::is_tag(payload, at, "KEY "))
            fine = read_key(body, out);
        else if (le::is_tag(payload, at, "TRAK"))
            fine = read_tracks(body, out);
        if (!fine) return damaged();
        at += 8 + n;
    }
    return AnnotationRead::ok;
}

} // namespace pitkad
