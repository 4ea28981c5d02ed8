#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace monitor::json {

/** A parsed JSON value. Numbers keep the literal text they were written with; objects keep
 *  their members in the order of the text (duplicates included). Move-only: a tree is owned
 *  by one holder, and destroying it never recurses, however deep it is. */
class JsonValue {
public:
    enum class Kind : std::uint8_t { Null, Boolean, Number, String, Array, Object };

    JsonValue() noexcept = default;
    ~JsonValue();
    JsonValue(JsonValue&& other) noexcept = default;
    JsonValue& operator=(JsonValue&& other) noexcept;
    JsonValue(const JsonValue&) = delete;
    JsonValue& operator=(const JsonValue&) = delete;

    static JsonValue Boolean(bool value) noexcept;
    /** `literal` must be a JSON number; `value` is what it stands for. */
    static JsonValue Number(std::string literal, double value);
    /** A number written in the shortest text that reads back as `value`. */
    static JsonValue Number(double value);
    static JsonValue Number(std::int64_t value);
    static JsonValue String(std::string utf8) noexcept;
    static JsonValue Array() noexcept;
    static JsonValue Object() noexcept;

    Kind kind() const noexcept { return kind_; }
    bool IsNull() const noexcept { return kind_ == Kind::Null; }
    bool IsBoolean() const noexcept { return kind_ == Kind::Boolean; }
    bool IsNumber() const noexcept { return kind_ == Kind::Number; }
    bool IsString() const noexcept { return kind_ == Kind::String; }
    bool IsArray() const noexcept { return kind_ == Kind::Array; }
    bool IsObject() const noexcept { return kind_ == Kind::Object; }

    bool AsBoolean() const noexcept { return boolean_; }
    /** The value of a number (0 for anything else). */
    double AsDouble() const noexcept { return number_; }
    /** A string's text, or a number's literal text; empty for anything else. */
    const std::string& Text() const noexcept { return text_; }
    /** Hands the text over, leaving it empty. */
    std::string TakeText() noexcept { return std::move(text_); }

    /** Elements of an array or member values of an object. */
    std::size_t Size() const noexcept { return children_.size(); }
    const JsonValue& operator[](std::size_t i) const noexcept { return children_[i]; }
    JsonValue& operator[](std::size_t i) noexcept { return children_[i]; }
    /** Name of the i-th member of an object. */
    const std::string& NameAt(std::size_t i) const noexcept { return names_[i]; }
    /** The first member of that exact name, or null when there is none. */
    const JsonValue* Find(std::string_view name) const noexcept;

    /** Appends to an array; returns the element now in place. */
    JsonValue& Append(JsonValue element);
    /** Appends a member to an object; returns the value now in place. */
    JsonValue& Add(std::string name, JsonValue value);

private:
    void ReleaseChildren() noexcept;

    Kind kind_ = Kind::Null;
    bool boolean_ = false;
    double number_ = 0.0;
    std::string text_;
    std::vector<JsonValue> children_;
    std::vector<std::string> names_;  // object member names, parallel to children_
};

/** Containers nested deeper than this are refused: no answer the monitor reads comes close,
 *  and the indented form of a deeper value grows with the square of its depth. */
inline constexpr std::size_t kMaxJsonDepth = 1000;

enum class ParseOutcome : std::uint8_t {
    Parsed,
    NotJson,
    TooDeep,
    NumberOutOfRange,  // valid JSON, but a number a double cannot hold (1e400)
};

struct ParseResult {
    ParseOutcome outcome = ParseOutcome::NotJson;
    JsonValue value;  // null unless Parsed
    /** NumberOutOfRange: the number's text (cut short) and the member it was given for, if
     *  it was given for one. */
    std::string number;
    std::string member;
};

/** Parses one JSON text (RFC 8259, UTF-8, nothing after the value). Never throws for bad
 *  input; may throw std::bad_alloc. */
ParseResult TryParse(std::string_view text);

/** The value, or no value when the text is not JSON, nests deeper than kMaxJsonDepth or holds
 *  a number out of a double's range. */
std::optional<JsonValue> Parse(std::string_view text);

}  // namespace monitor::json
