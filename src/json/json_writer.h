#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/json_value.h"

namespace monitor::json {

/** Writes JSON text token by token, either compact (nothing between tokens) or indented (four
 *  spaces a level, CR LF line breaks, ": " after names). Strings are always written as pure
 *  ASCII: '"', '\\', '/' and the usual controls get their short escapes, every other UTF-16
 *  code unit below 0x20 or above 0x7F becomes \uXXXX with upper-case digits.
 *  The caller keeps begin/end calls balanced and gives a Key before each member value. */
class JsonWriter {
public:
    enum class Layout : std::uint8_t { Compact, Indented };

    explicit JsonWriter(Layout layout = Layout::Compact) noexcept : layout_(layout) {}

    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    void Key(std::string_view name);

    void String(std::string_view utf8);
    /** A number literal, written as given. */
    void Literal(std::string_view number_text);
    void Integer(std::int64_t value);
    /** The general form: at most 15 significant digits, E exponents (see AppendGeneralDouble). */
    void Double(double value);
    void Boolean(bool value);
    void Null();

    void Reserve(std::size_t bytes) { out_.reserve(bytes); }
    const std::string& Text() const noexcept { return out_; }
    std::string Take() noexcept { return std::move(out_); }

private:
    void BeforeValue();
    void Open(char bracket);
    void Close(char bracket);
    void LineBreak();

    std::string out_;
    Layout layout_;
    std::size_t depth_ = 0;
    bool need_comma_ = false;  // a value was written at the current level
    bool after_key_ = false;   // the next value belongs to the key just written
};

/** Appends `utf8` as a JSON string (quotes included). Bytes that are not valid UTF-8 are
 *  written as \uFFFD. */
void AppendJsonString(std::string& out, std::string_view utf8);

/** Appends a double the way the documents write amounts: the shortest of fixed or scientific
 *  notation with at most 15 significant digits, no trailing zeros, no decimal point for whole
 *  values, scientific (capital E, no '+') below 1E-5 and from 1E15 on. NaN and infinities,
 *  which JSON cannot hold, are written as null. */
void AppendGeneralDouble(std::string& out, double value);

std::string WriteCompact(const JsonValue& value);
/** The indented form used for the exchange log. Numbers keep their literal text. */
std::string WriteIndented(const JsonValue& value);

}  // namespace monitor::json
