#include "json/document_reader.h"

#include <charconv>
#include <string>
#include <system_error>

#include "json/conversion_error.h"
#include "json/iso_date_time.h"

namespace monitor::json {
namespace {

// A member that cannot be read. Carries the path down to it while it unwinds; nested-object
// reads swallow it, ReadDocument turns it into EConversionError.
struct MemberError {
    std::string path;
    std::string reason;
};

[[noreturn]] void Fail(const MemberDef& def, std::string reason) {
    throw MemberError{std::string(def.name), std::move(reason)};
}

const char* KindName(const JsonValue& value) noexcept {
    switch (value.kind()) {
        case JsonValue::Kind::Null: return "null";
        case JsonValue::Kind::Boolean: return "a boolean";
        case JsonValue::Kind::Number: return "a number";
        case JsonValue::Kind::String: return "a string";
        case JsonValue::Kind::Array: return "an array";
        case JsonValue::Kind::Object: return "an object";
    }
    return "a value";
}

// Optional '-', then decimal digits only, within 32 bits.
bool ReadWholeNumber(std::string_view text, std::int32_t& out) noexcept {
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [ptr, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && ptr == last;
}

// JSON number syntax: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(std::string_view s) noexcept {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        return i - start;
    };
    if (i < s.size() && s[i] == '-') ++i;
    if (i < s.size() && s[i] == '0') {
        ++i;
    } else if (digits() == 0) {
        return false;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        if (digits() == 0) return false;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == s.size();
}

std::string ReadText(JsonValue& value) {
    switch (value.kind()) {
        case JsonValue::Kind::String:
        case JsonValue::Kind::Number: return value.TakeText();
        case JsonValue::Kind::Boolean: return value.AsBoolean() ? "true" : "false";
        default: return {};
    }
}

std::int32_t ReadInteger(const JsonValue& value) noexcept {
    std::int32_t n = 0;
    if ((value.IsNumber() || value.IsString()) && ReadWholeNumber(value.Text(), n)) return n;
    return 0;
}

double ReadDouble(const JsonValue& value) noexcept {
    if (value.IsNumber()) return value.AsDouble();
    if (!value.IsString() || !IsJsonNumber(value.Text())) return 0.0;
    double d = 0.0;
    const std::string& t = value.Text();
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
    return ec == std::errc() ? d : 0.0;  // out of range gives 0
}

TDateTime ReadDateTime(const MemberDef& def, const JsonValue& value) {
    if (value.IsNull()) return TDateTime{};
    if (!value.IsString()) Fail(def, std::string(KindName(value)) + " is not a date-time text");
    const auto date = ParseIsoDateTime(value.Text());
    if (!date) Fail(def, "\"" + value.Text() + "\" is not an ISO 8601 date-time");
    return *date;
}

void ReadMembers(TMappedObject& target, JsonValue& object);

// Reads a JSON object into a new instance that replaces the member's object only when the
// whole nested read succeeds.
void ReadObjectMember(TMappedObject& target, const MemberDef& def, JsonValue& value) {
    const ObjectAccess& access = *std::get<const ObjectAccess*>(def.access);
    if (value.IsNull()) {
        access.set(target, nullptr);
        return;
    }
    if (!value.IsObject()) Fail(def, std::string(KindName(value)) + " is not an object");
    std::unique_ptr<TMappedObject> fresh = access.create();
    try {
        ReadMembers(*fresh, value);
    } catch (const MemberError&) {
        return;  // the member keeps the object it had
    }
    access.set(target, std::move(fresh));
}

void ReadListMember(TMappedObject& target, const MemberDef& def, JsonValue& value) {
    const ListAccess& access = *std::get<const ListAccess*>(def.access);
    if (value.IsNull()) {
        access.clear_array(target);
        return;
    }
    if (!value.IsArray()) Fail(def, std::string(KindName(value)) + " is not an array");
    access.clear_array(target);
    for (std::size_t i = 0; i < value.Size(); ++i) {
        JsonValue& element = value[i];
        if (element.IsNull()) {
            access.append_to_array(target, nullptr);
            continue;
        }
        const auto where = [&] { return std::string(def.name) + "[" + std::to_string(i) + "]"; };
        if (!element.IsObject()) {
            throw MemberError{where(), std::string(KindName(element)) + " is not an object"};
        }
        std::unique_ptr<TMappedObject> fresh = access.create();
        try {
            ReadMembers(*fresh, element);
        } catch (MemberError& e) {
            e.path = where() + "." + e.path;
            throw;
        }
        access.append_to_array(target, std::move(fresh));
    }
}

void ReadMember(TMappedObject& target, const MemberDef& def, JsonValue& value) {
    if (value.IsObject() && def.kind != MemberKind::Object) return;  // ignored
    if (value.IsArray() && def.kind != MemberKind::List) {
        Fail(def, "an array cannot be read into a member that is not a list");
    }
    switch (def.kind) {
        case MemberKind::Text:
            target.*std::get<TextField>(def.access) = ReadText(value);
            break;
        case MemberKind::Integer:
            target.*std::get<IntegerField>(def.access) = ReadInteger(value);
            break;
        case MemberKind::Double:
            target.*std::get<DoubleField>(def.access) = ReadDouble(value);
            break;
        case MemberKind::Boolean:
            target.*std::get<BooleanField>(def.access) = value.IsBoolean() && value.AsBoolean();
            break;
        case MemberKind::DateTime:
            target.*std::get<DateTimeField>(def.access) = ReadDateTime(def, value);
            break;
        case MemberKind::Object: ReadObjectMember(target, def, value); break;
        case MemberKind::List: ReadListMember(target, def, value); break;
    }
}

// Exact, case-sensitive match on the JSON name.
const MemberDef* FindMember(MemberTable members, std::string_view name) noexcept {
    for (const MemberDef& def : members) {
        if (def.name == name) return &def;
    }
    return nullptr;
}

// In text order, so of two members with the same name the later one stands.
void ReadMembers(TMappedObject& target, JsonValue& object) {
    const MemberTable members = target.Members();
    for (std::size_t i = 0; i < object.Size(); ++i) {
        if (const MemberDef* def = FindMember(members, object.NameAt(i))) {
            ReadMember(target, *def, object[i]);
        }
    }
}

}  // namespace

void ReadDocument(TMappedObject& target, JsonValue& root) {
    try {
        switch (root.kind()) {
            case JsonValue::Kind::Null: return;
            case JsonValue::Kind::Object: ReadMembers(target, root); return;
            case JsonValue::Kind::Array:
                if (const MemberDef* items = FindMember(target.Members(), "Items")) {
                    ReadMember(target, *items, root);
                }
                return;
            default: throw EConversionError("The input value is not a valid Object");
        }
    } catch (const MemberError& e) {
        throw EConversionError("Cannot read member \"" + e.path + "\": " + e.reason);
    }
}

}  // namespace monitor::json
