#include "json/json_writer.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace monitor::json {
namespace {

// Bytes copied into a JSON string as they are.
constexpr std::array<bool, 256> kPlainBytes = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c <= 0x7F; ++c) plain[c] = true;
    plain['"'] = plain['\\'] = plain['/'] = false;
    return plain;
}();

void AppendUnicodeEscape(std::string& out, unsigned unit) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const char escape[6] = {'\\', 'u', kHex[(unit >> 12) & 0xF], kHex[(unit >> 8) & 0xF],
                            kHex[(unit >> 4) & 0xF], kHex[unit & 0xF]};
    out.append(escape, sizeof escape);
}

// Decodes the UTF-8 sequence at s[i]; returns its length, or 0 when it is not valid UTF-8
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& cp) noexcept {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - i < len) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

// Escapes the byte at s[i] (one that is not plain); returns how many bytes it used.
std::size_t AppendEscaped(std::string& out, std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    switch (c) {
        case '"': out += "\\\""; return 1;
        case '\\': out += "\\\\"; return 1;
        case '/': out += "\\/"; return 1;
        case '\b': out += "\\b"; return 1;
        case '\t': out += "\\t"; return 1;
        case '\n': out += "\\n"; return 1;
        case '\f': out += "\\f"; return 1;
        case '\r': out += "\\r"; return 1;
        default: break;
    }
    if (c < 0x80) {
        AppendUnicodeEscape(out, c);
        return 1;
    }
    char32_t cp = 0;
    const std::size_t len = DecodeUtf8(s, i, cp);
    if (len == 0) {
        AppendUnicodeEscape(out, 0xFFFD);
        return 1;
    }
    if (cp >= 0x10000) {  // two UTF-16 code units: a surrogate pair
        const char32_t v = cp - 0x10000;
        AppendUnicodeEscape(out, 0xD800 + (v >> 10));
        AppendUnicodeEscape(out, 0xDC00 + (v & 0x3FF));
    } else {
        AppendUnicodeEscape(out, cp);
    }
    return len;
}

struct DecimalDigits {
    bool negative = false;
    char digits[24] = {};  // significant digits, no trailing zeros
    int count = 0;
    int exponent = 0;  // of the first digit
};

// Reads to_chars' scientific output: [-]d[.ddd]e(+|-)dd.
DecimalDigits ReadScientific(const char* first, const char* last) noexcept {
    DecimalDigits d;
    const char* p = first;
    if (*p == '-') d.negative = true, ++p;
    for (; p != last && *p != 'e'; ++p) {
        if (*p != '.' && d.count < static_cast<int>(sizeof d.digits)) d.digits[d.count++] = *p;
    }
    if (p != last) std::from_chars(p + 1 + (p[1] == '+'), last, d.exponent);
    while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
    return d;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    std::size_t run = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        if (kPlainBytes[static_cast<unsigned char>(utf8[i])]) {
            ++i;
            continue;
        }
        out.append(utf8.data() + run, i - run);
        i += AppendEscaped(out, utf8, i);
        run = i;
    }
    out.append(utf8.data() + run, utf8.size() - run);
    out += '"';
}

void AppendGeneralDouble(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    if (value == 0.0) {
        out += '0';
        return;
    }
    char buf[48];
    if (std::fabs(value) < 1e15 && std::trunc(value) == value) {
        const auto end = std::to_chars(buf, buf + sizeof buf, static_cast<std::int64_t>(value)).ptr;
        out.append(buf, end);
        return;
    }
    // The shortest digits that read back as the value are the value rounded to 15 significant
    // digits whenever they are no more than 15, since a double's spacing is far finer than
    // 15 digits' (subnormals excepted). Otherwise round to 15 digits.
    auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific).ptr;
    DecimalDigits d = ReadScientific(buf, end);
    if (d.count > 15 || std::fabs(value) < std::numeric_limits<double>::min()) {
        end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14).ptr;
        d = ReadScientific(buf, end);
    }
    if (d.negative) out += '-';
    const std::string_view digits(d.digits, static_cast<std::size_t>(d.count));
    if (d.exponent < -5 || d.exponent >= 15) {
        out += digits[0];
        if (d.count > 1) {
            out += '.';
            out.append(digits.substr(1));
        }
        out += 'E';
        const auto exp_end = std::to_chars(buf, buf + sizeof buf, d.exponent).ptr;
        out.append(buf, exp_end);
    } else if (d.exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
        out.append(digits);
    } else {
        const auto whole = static_cast<std::size_t>(d.exponent) + 1;
        if (digits.size() <= whole) {
            out.append(digits);
            out.append(whole - digits.size(), '0');
        } else {
            out.append(digits.substr(0, whole));
            out += '.';
            out.append(digits.substr(whole));
        }
    }
}

void JsonWriter::LineBreak() {
    out_ += "\r\n";
    out_.append(depth_ * 4, ' ');
}

void JsonWriter::BeforeValue() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (depth_ == 0) return;
    if (need_comma_) out_ += ',';
    if (layout_ == Layout::Indented) LineBreak();
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    out_ += bracket;
    ++depth_;
    need_comma_ = false;
}

void JsonWriter::Close(char bracket) {
    --depth_;
    if (layout_ == Layout::Indented) LineBreak();
    out_ += bracket;
    need_comma_ = true;
}

void JsonWriter::Key(std::string_view name) {
    if (need_comma_) out_ += ',';
    if (layout_ == Layout::Indented) LineBreak();
    AppendJsonString(out_, name);
    out_ += layout_ == Layout::Indented ? ": " : ":";
    after_key_ = true;
}

void JsonWriter::String(std::string_view utf8) {
    BeforeValue();
    AppendJsonString(out_, utf8);
    need_comma_ = true;
}

void JsonWriter::Literal(std::string_view number_text) {
    BeforeValue();
    out_.append(number_text);
    need_comma_ = true;
}

void JsonWriter::Integer(std::int64_t value) {
    BeforeValue();
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    out_.append(buf, end);
    need_comma_ = true;
}

void JsonWriter::Double(double value) {
    BeforeValue();
    AppendGeneralDouble(out_, value);
    need_comma_ = true;
}

void JsonWriter::Boolean(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
    need_comma_ = true;
}

void JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
    need_comma_ = true;
}

namespace {

// Walks the tree with an explicit stack of open containers: no recursion at any depth.
std::string Write(const JsonValue& root, JsonWriter::Layout layout) {
    JsonWriter w(layout);
    struct Frame {
        const JsonValue* container;
        std::size_t next;
    };
    std::vector<Frame> open;
    const auto emit = [&](const JsonValue& v) {
        switch (v.kind()) {
            case JsonValue::Kind::Null: w.Null(); break;
            case JsonValue::Kind::Boolean: w.Boolean(v.AsBoolean()); break;
            case JsonValue::Kind::Number: w.Literal(v.Text()); break;
            case JsonValue::Kind::String: w.String(v.Text()); break;
            case JsonValue::Kind::Array:
                w.BeginArray();
                open.push_back({&v, 0});
                break;
            case JsonValue::Kind::Object:
                w.BeginObject();
                open.push_back({&v, 0});
                break;
        }
    };
    emit(root);
    while (!open.empty()) {
        const JsonValue& container = *open.back().container;
        const std::size_t i = open.back().next++;
        if (i == container.Size()) {
            if (container.IsObject()) {
                w.EndObject();
            } else {
                w.EndArray();
            }
            open.pop_back();
            continue;
        }
        if (container.IsObject()) w.Key(container.NameAt(i));
        emit(container[i]);
    }
    return w.Take();
}

}  // namespace

std::string WriteCompact(const JsonValue& value) {
    return Write(value, JsonWriter::Layout::Compact);
}

std::string WriteIndented(const JsonValue& value) {
    return Write(value, JsonWriter::Layout::Indented);
}

}  // namespace monitor::json
