#pragma once

#include <string>
#include <string_view>

#include "Basalt/json/JSON.h"

namespace Basalt {

// Compact UTF-8 JSON text: no added whitespace, members in key order.
std::string writeJSON(const JSON& value);
// Appends text as a JSON string literal: quotes, backslashes and control characters escaped.
void appendJSONString(std::string_view text, std::string& out);
void writeJSON(const JSON& value, std::string& out);

}  // namespace Basalt
