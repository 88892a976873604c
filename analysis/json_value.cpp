#include "analysis/json_value.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace pitkad {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void append_utf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at the start of `s` (which
// starts with a byte ≥ 0x80), or 0: no overlong forms, no surrogates,
// nothing past U+10FFFF.
std::size_t utf8_length(std::string_view s) {
    const auto byte = [&](std::size_t i) { return i < s.size() ? (unsigned char)s[i] : 0u; };
    const auto cont = [&](std::size_t i) { return (byte(i) & 0xC0) == 0x80; };
    const unsigned b = byte(0);
    if (b >= 0xC2 && b <= 0xDF) return cont(1) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        const unsigned lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
        return byte(1) >= lo && byte(1) <= hi && cont(2) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        const unsigned lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
        return byte(1) >= lo && byte(1) <= hi && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

} // namespace

const std::string& JsonValue::string() const {
    static const std::string empty;
    return kind_ == Kind::string ? string_ : empty;
}

std::span<const JsonValue> JsonValue::items() const {
    if (kind_ != Kind::array) return {};
    return items_;
}

std::span<const JsonValue::Member> JsonValue::members() const {
    if (kind_ != Kind::object) return {};
    return members_;
}

const JsonValue* JsonValue::find(std::string_view key) const {
    for (const Member& m : members())
        if (m.key == key) return &m.value;
    return nullptr;
}

std::optional<std::int64_t> JsonValue::integer() const {
    if (kind_ == Kind::number) {
        constexpr double limit = 9007199254740992.0; // 2^53
        if (std::floor(number_) != number_ || std::fabs(number_) > limit) return std::nullopt;
        return std::int64_t(number_);
    }
    if (kind_ == Kind::string) {
        const std::string_view s = string_;
        const std::size_t digits_from = !s.empty() && s[0] == '-' ? 1 : 0;
        if (s.size() == digits_from) return std::nullopt;
        for (std::size_t i = digits_from; i < s.size(); ++i)
            if (!is_digit(s[i])) return std::nullopt;
        std::int64_t v = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
        return v;
    }
    return std::nullopt;
}

// Recursive descent over the text; every read checks `more()` first.
class JsonParser {
  public:
    JsonParser(std::string_view text, int max_depth) : s_(text), max_depth_(max_depth) {}

    JsonParse parse() {
        JsonParse result;
        JsonValue v;
        skip_space();
        if (value(v, 0)) {
            skip_space();
            if (!more()) {
                result.value = std::move(v);
                return result;
            }
            fail("text after the value");
        }
        result.error = "at byte " + std::to_string(error_at_) + ": " + error_;
        return result;
    }

  private:
    using Kind = JsonValue::Kind;

    bool fail(const char* what) {
        if (error_.empty()) {
            error_ = what;
            error_at_ = at_;
        }
        return false;
    }
    bool more() const { return at_ < s_.size(); }
    void skip_space() {
        while (more() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    bool word(std::string_view w) {
        if (s_.substr(at_, w.size()) != w) return fail("unknown word");
        at_ += w.size();
        return true;
    }

    bool value(JsonValue& v, int depth) {
        if (!more()) return fail("unexpected end of text");
        switch (s_[at_]) {
        case '{':
            return object(v, depth + 1);
        case '[':
            return array(v, depth + 1);
        case '"':
            v.kind_ = Kind::string;
            return string(v.string_);
        case 't':
            v.kind_ = Kind::boolean;
            v.boolean_ = true;
            return word("true");
        case 'f':
            v.kind_ = Kind::boolean;
            return word("false");
        case 'n':
            return word("null");
        default:
            v.kind_ = Kind::number;
            return number(v.number_);
        }
    }

    bool array(JsonValue& v, int depth) {
        if (depth > max_depth_) return fail("nested too deeply");
        v.kind_ = Kind::array;
        ++at_;
        skip_space();
        if (more() && s_[at_] == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            skip_space();
            v.items_.emplace_back();
            if (!value(v.items_.back(), depth)) return false;
            skip_space();
            if (!more()) return fail("unexpected end of text in an array");
            if (s_[at_] == ']') {
                ++at_;
                return true;
            }
            if (s_[at_] != ',') return fail("expected ',' or ']'");
            ++at_;
        }
    }

    bool object(JsonValue& v, int depth) {
        if (depth > max_depth_) return fail("nested too deeply");
        v.kind_ = Kind::object;
        ++at_;
        skip_space();
        if (more() && s_[at_] == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            skip_space();
            if (!more() || s_[at_] != '"') return fail("expected a member name");
            v.members_.emplace_back();
            JsonValue::Member& m = v.members_.back();
            if (!string(m.key)) return false;
            skip_space();
            if (!more() || s_[at_] != ':') return fail("expected ':'");
            ++at_;
            skip_space();
            if (!value(m.value, depth)) return false;
            skip_space();
            if (!more()) return fail("unexpected end of text in an object");
            if (s_[at_] == '}') {
                ++at_;
                return true;
            }
            if (s_[at_] != ',') return fail("expected ',' or '}'");
            ++at_;
        }
    }

    bool hex4(unsigned& cp) {
        cp = 0;
        for (int i = 0; i < 4; ++i, ++at_) {
            const int h = more() ? hex_value(s_[at_]) : -1;
            if (h < 0) return fail("bad \\u escape");
            cp = cp << 4 | unsigned(h);
        }
        return true;
    }

    bool string(std::string& out) {
        ++at_; // the opening quote
        for (;;) {
            if (!more()) return fail("unterminated string");
            const auto c = (unsigned char)s_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20) return fail("control character in a string");
            if (c >= 0x80) {
                const std::size_t n = utf8_length(s_.substr(at_));
                if (n == 0) return fail("invalid UTF-8");
                out.append(s_.substr(at_, n));
                at_ += n;
                continue;
            }
            ++at_;
            if (c != '\\') {
                out += char(c);
                continue;
            }
            if (!more()) return fail("unterminated string");
            switch (s_[at_++]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned cp = 0;
                if (!hex4(cp)) return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    // A high surrogate: its low half must follow.
                    unsigned low = 0;
                    if (s_.substr(at_, 2) != "\\u") return fail("unpaired surrogate");
                    at_ += 2;
                    if (!hex4(low)) return false;
                    if (low < 0xDC00 || low > 0xDFFF) return fail("unpaired surrogate");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    return fail("unpaired surrogate");
                }
                append_utf8(out, cp);
                break;
            }
            default:
                --at_;
                return fail("bad escape");
            }
        }
    }

    bool digits() {
        if (!more() || !is_digit(s_[at_])) return fail("bad number");
        while (more() && is_digit(s_[at_]))
            ++at_;
        return true;
    }

    bool number(double& out) {
        const std::size_t start = at_;
        if (more() && s_[at_] == '-') ++at_;
        if (!more() || !is_digit(s_[at_])) return fail("unexpected character");
        const std::size_t int_from = at_;
        if (s_[at_] == '0')
            ++at_;
        else
            digits();
        const std::size_t int_end = at_;
        std::size_t frac_from = at_, frac_end = at_;
        if (more() && s_[at_] == '.') {
            ++at_;
            frac_from = at_;
            if (!digits()) return false;
            frac_end = at_;
        }
        long exponent = 0;
        if (more() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            const bool negative = more() && s_[at_] == '-';
            if (more() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
            const std::size_t exp_from = at_;
            if (!digits()) return false;
            for (std::size_t i = exp_from; i < at_ && exponent < 1000000; ++i)
                exponent = exponent * 10 + (s_[i] - '0');
            if (negative) exponent = -exponent;
        }
        const auto [end, ec] = std::from_chars(s_.data() + start, s_.data() + at_, out);
        if (ec == std::errc::result_out_of_range) {
            // Too small for a double is zero; too large is an error. The
            // decimal order of magnitude tells which.
            long order = long(int_end - int_from) - 1 + exponent;
            if (s_[int_from] == '0') {
                std::size_t i = frac_from;
                while (i < frac_end && s_[i] == '0')
                    ++i;
                order = -long(i - frac_from) - 1 + exponent;
            }
            if (order < 0) {
                out = s_[start] == '-' ? -0.0 : 0.0;
                return true;
            }
            at_ = start;
            return fail("number out of range");
        }
        if (ec != std::errc() || end != s_.data() + at_) {
            at_ = start;
            return fail("bad number");
        }
        return true;
    }

    std::string_view s_;
    std::size_t at_ = 0;
    int max_depth_;
    std::string error_;
    std::size_t error_at_ = 0;
};

JsonParse parse_json(std::string_view text, int max_depth) {
    return JsonParser(text, max_depth).parse();
}

std::optional<std::vector<std::uint8_t>> decode_base64(std::string_view text) {
    const auto sextet = [](char c) {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::uint32_t bits = 0;
        int padding = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            int v = 0;
            if (c == '=') {
                // Only the last one or two characters of the text.
                if (i + 4 != text.size() || k < 2) return std::nullopt;
                ++padding;
            } else {
                v = sextet(c);
                if (v < 0 || padding > 0) return std::nullopt;
            }
            bits = bits << 6 | std::uint32_t(v);
        }
        if ((padding == 1 && (bits & 0xFF) != 0) || (padding == 2 && (bits & 0xFFFF) != 0))
            return std::nullopt;
        out.push_back(std::uint8_t(bits >> 16));
        if (padding < 2) out.push_back(std::uint8_t(bits >> 8));
        if (padding < 1) out.push_back(std::uint8_t(bits));
    }
    return out;
}

} // namespace pitkad
