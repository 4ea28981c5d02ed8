#pragma once

#include "json/json_writer.h"
#include "json/member_table.h"

namespace monitor::json {

/** Writes `source` as one JSON object, its members in table order. */
void WriteDocument(const TMappedObject& source, JsonWriter& writer);

}  // namespace monitor::json
