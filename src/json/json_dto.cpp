#include "json/json_dto.h"

#include "json/document_reader.h"
#include "json/document_writer.h"
#include "json/json_value.h"
#include "json/json_writer.h"

namespace monitor::json {

std::string TJsonDTO::AsJson() const {
    JsonWriter writer;
    writer.Reserve(256);
    WriteDocument(*this, writer);
    return writer.Take();
}

void TJsonDTO::SetAsJson(std::string_view text) {
    ParseResult parsed = TryParse(text);
    switch (parsed.outcome) {
        case ParseOutcome::NotJson: return;  // not JSON: reads as nothing
        case ParseOutcome::TooDeep:
            throw EConversionError("The input nests deeper than " + std::to_string(kMaxJsonDepth) +
                                   " levels");
        case ParseOutcome::NumberOutOfRange:
            if (parsed.member.empty()) {
                throw EConversionError("The number " + parsed.number + " is out of range");
            }
            throw EConversionError("Cannot read member \"" + parsed.member + "\": the number " +
                                   parsed.number + " is out of range");
        case ParseOutcome::Parsed: ReadDocument(*this, parsed.value); return;
    }
}

}  // namespace monitor::json
