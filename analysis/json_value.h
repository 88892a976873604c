#pragma once
// A strict JSON reader (RFC 8259) into a tree, and base64 decoding: what a
// TF.js model description needs. Bad input gives a message with its byte
// offset, never a crash: every read is checked against the end of the text,
// nesting is limited, strings must be valid UTF-8 and numbers must fit a
// double.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pitkad {

class JsonValue {
  public:
    enum class Kind : std::uint8_t { null, boolean, number, string, array, object };
    struct Member;

    Kind kind() const { return kind_; }
    bool is(Kind k) const { return kind_ == k; }
    // Each accessor gives an empty value (false, 0, "", no items) for a value
    // of another kind.
    bool boolean() const { return kind_ == Kind::boolean && boolean_; }
    double number() const { return kind_ == Kind::number ? number_ : 0.0; }
    const std::string& string() const;
    std::span<const JsonValue> items() const;
    std::span<const Member> members() const;
    // The first member named `key` of an object; null if there is none.
    const JsonValue* find(std::string_view key) const;
    // A number without a fraction within ±2^53, or a string of decimal digits
    // (with an optional '-') within the 64-bit range, as TF.js writes 64-bit
    // integers.
    std::optional<std::int64_t> integer() const;

  private:
    friend class JsonParser;
    Kind kind_ = Kind::null;
    bool boolean_ = false;
    double number_ = 0;
    std::string string_;
    std::vector<JsonValue> items_;
    std::vector<Member> members_;
};

struct JsonValue::Member {
    std::string key;
    JsonValue value;
};

struct JsonParse {
    std::optional<JsonValue> value;
    std::string error; // "at byte N: what was wrong", when there is no value
};

// The one value `text` holds, with white space around it only.
JsonParse parse_json(std::string_view text, int max_depth = 64);

// Standard base64 (RFC 4648: "A–Z a–z 0–9 + /", padded with '=' to a
// multiple of 4 characters, unused bits zero); nullopt for anything else.
std::optional<std::vector<std::uint8_t>> decode_base64(std::string_view text);

} // namespace pitkad
