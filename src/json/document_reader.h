#pragma once

#include "json/json_value.h"
#include "json/member_table.h"

namespace monitor::json {

/** Reads a parsed root value into `target`: null changes nothing, an array goes to the member
 *  named "Items" (ignored when there is none), an object's members go to the members of the
 *  same exact name. Strings are moved out of `root`. Throws EConversionError. */
void ReadDocument(TMappedObject& target, JsonValue& root);

}  // namespace monitor::json
