#include "json/json_value.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <utility>

namespace monitor::json {

JsonValue::~JsonValue() {
    if (!children_.empty()) ReleaseChildren();
}

JsonValue& JsonValue::operator=(JsonValue&& other) noexcept {
    if (this != &other) {
        JsonValue old(std::move(*this));  // released without recursion
        kind_ = other.kind_;
        boolean_ = other.boolean_;
        number_ = other.number_;
        text_ = std::move(other.text_);
        children_ = std::move(other.children_);
        names_ = std::move(other.names_);
    }
    return *this;
}

// Moves every descendant that has children of its own onto a local stack, so each node is
// destroyed with only leaves below it and the C stack stays flat at any depth.
void JsonValue::ReleaseChildren() noexcept {
    std::vector<JsonValue> pending;
    const auto take_containers = [&pending](std::vector<JsonValue>& from) noexcept {
        for (JsonValue& child : from) {
            if (!child.children_.empty()) pending.push_back(std::move(child));
        }
    };
    take_containers(children_);
    while (!pending.empty()) {
        JsonValue node = std::move(pending.back());
        pending.pop_back();
        take_containers(node.children_);
    }
}

JsonValue JsonValue::Boolean(bool value) noexcept {
    JsonValue v;
    v.kind_ = Kind::Boolean;
    v.boolean_ = value;
    return v;
}

JsonValue JsonValue::Number(std::string literal, double value) {
    JsonValue v;
    v.kind_ = Kind::Number;
    v.text_ = std::move(literal);
    v.number_ = value;
    return v;
}

JsonValue JsonValue::Number(double value) {
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    return Number(std::string(buf, end), value);
}

JsonValue JsonValue::Number(std::int64_t value) {
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    return Number(std::string(buf, end), static_cast<double>(value));
}

JsonValue JsonValue::String(std::string utf8) noexcept {
    JsonValue v;
    v.kind_ = Kind::String;
    v.text_ = std::move(utf8);
    return v;
}

JsonValue JsonValue::Array() noexcept {
    JsonValue v;
    v.kind_ = Kind::Array;
    return v;
}

JsonValue JsonValue::Object() noexcept {
    JsonValue v;
    v.kind_ = Kind::Object;
    return v;
}

const JsonValue* JsonValue::Find(std::string_view name) const noexcept {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == name) return &children_[i];
    }
    return nullptr;
}

JsonValue& JsonValue::Append(JsonValue element) {
    children_.push_back(std::move(element));
    return children_.back();
}

JsonValue& JsonValue::Add(std::string name, JsonValue value) {
    names_.push_back(std::move(name));
    children_.push_back(std::move(value));
    return children_.back();
}

namespace {

using Json = nlohmann::json;

// Builds a JsonValue from nlohmann's parse events. The parser itself is iterative; this keeps
// the chain of open containers on a vector, so nothing here recurses either.
class TreeBuilder {
public:
    ParseResult Finish(bool parsed) {
        if (parsed) return {ParseOutcome::Parsed, std::move(root_), {}, {}};
        if (too_deep_) return {ParseOutcome::TooDeep, {}, {}, {}};
        if (!overflow_.empty()) {
            return {ParseOutcome::NumberOutOfRange, {}, std::move(overflow_), std::move(member_)};
        }
        return {ParseOutcome::NotJson, {}, {}, {}};
    }

    bool null() { return Place(JsonValue()); }
    bool boolean(bool val) { return Place(JsonValue::Boolean(val)); }
    bool number_integer(Json::number_integer_t val) {
        return Place(JsonValue::Number(static_cast<std::int64_t>(val)));
    }
    bool number_unsigned(Json::number_unsigned_t val) {
        char buf[24];
        const auto end = std::to_chars(buf, buf + sizeof buf, val).ptr;
        return Place(JsonValue::Number(std::string(buf, end), static_cast<double>(val)));
    }
    bool number_float(Json::number_float_t val, const Json::string_t& literal) {
        return Place(JsonValue::Number(literal, val));
    }
    bool string(Json::string_t& val) { return Place(JsonValue::String(std::move(val))); }
    bool binary(Json::binary_t&) { return false; }
    bool start_object(std::size_t) { return Open(JsonValue::Object()); }
    bool key(Json::string_t& val) {
        pending_name_ = std::move(val);
        return true;
    }
    bool end_object() {
        open_.pop_back();
        return true;
    }
    bool start_array(std::size_t) { return Open(JsonValue::Array()); }
    bool end_array() {
        open_.pop_back();
        return true;
    }
    bool parse_error(std::size_t, const std::string& token, const nlohmann::detail::exception& e) {
        if (e.id == kNumberOverflow) {
            overflow_ = token.substr(0, 40);
            if (token.size() > 40) overflow_ += "...";
            if (!open_.empty() && open_.back()->IsObject()) member_ = pending_name_;
        }
        return false;
    }

private:
    JsonValue* Insert(JsonValue value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        JsonValue& parent = *open_.back();
        if (parent.IsObject()) return &parent.Add(std::move(pending_name_), std::move(value));
        return &parent.Append(std::move(value));
    }

    bool Place(JsonValue value) {
        Insert(std::move(value));
        return true;
    }

    bool Open(JsonValue container) {
        if (open_.size() >= kMaxJsonDepth) {
            too_deep_ = true;
            return false;
        }
        open_.push_back(Insert(std::move(container)));
        return true;
    }

    // nlohmann's out_of_range.406: a number literal beyond a double's range.
    static constexpr int kNumberOverflow = 406;

    JsonValue root_;
    std::vector<JsonValue*> open_;
    std::string pending_name_;
    bool too_deep_ = false;
    std::string overflow_;
    std::string member_;
};

}  // namespace

ParseResult TryParse(std::string_view text) {
    TreeBuilder builder;
    // JSON text never holds a NUL byte, and nlohmann's lexer would take one for the end of the
    // input, accepting whatever follows it.
    if (text.find('\0') != std::string_view::npos) return builder.Finish(false);
    const bool parsed = Json::sax_parse(text.data(), text.data() + text.size(), &builder);
    return builder.Finish(parsed);
}

std::optional<JsonValue> Parse(std::string_view text) {
    ParseResult result = TryParse(text);
    if (result.outcome != ParseOutcome::Parsed) return std::nullopt;
    return std::move(result.value);
}

}  // namespace monitor::json
