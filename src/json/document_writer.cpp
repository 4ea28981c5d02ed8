#include "json/document_writer.h"

#include <cctype>
#include <string>

#include "json/iso_date_time.h"

namespace monitor::json {
namespace {

// A list field's name as written: without its leading "F", first letter in lower case.
std::string ListMemberName(std::string_view field) {
    if (!field.empty() && (field[0] == 'F' || field[0] == 'f')) field.remove_prefix(1);
    std::string name(field);
    if (!name.empty()) {
        name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    }
    return name;
}

void WriteObject(const TMappedObject* object, JsonWriter& w) {
    if (object == nullptr) {
        w.Null();
    } else {
        WriteDocument(*object, w);
    }
}

void WriteMember(const TMappedObject& source, const MemberDef& def, JsonWriter& w) {
    switch (def.kind) {
        case MemberKind::Text:
            w.String(source.*std::get<TextField>(def.access));
            break;
        case MemberKind::Integer:
            w.Integer(source.*std::get<IntegerField>(def.access));
            break;
        case MemberKind::Double:
            w.Double(source.*std::get<DoubleField>(def.access));
            break;
        case MemberKind::Boolean:
            w.Boolean(source.*std::get<BooleanField>(def.access));
            break;
        case MemberKind::DateTime:
            w.String(FormatIsoDateTime(source.*std::get<DateTimeField>(def.access)));
            break;
        case MemberKind::Object:
            WriteObject(std::get<const ObjectAccess*>(def.access)->get(source), w);
            break;
        case MemberKind::List: {
            const ListAccess& list = *std::get<const ListAccess*>(def.access);
            const std::size_t count = list.count(source);
            w.BeginArray();
            for (std::size_t i = 0; i < count; ++i) WriteObject(list.at(source, i), w);
            w.EndArray();
            break;
        }
    }
}

}  // namespace

// Recurses once per nesting of document classes, which their declarations bound.
void WriteDocument(const TMappedObject& source, JsonWriter& w) {
    w.BeginObject();
    for (const MemberDef& def : source.Members()) {
        if (def.kind == MemberKind::List) {
            w.Key(ListMemberName(def.list_field));
        } else {
            w.Key(def.name);
        }
        WriteMember(source, def, w);
    }
    w.EndObject();
}

}  // namespace monitor::json
