#pragma once

#include <string>

#include "Basalt/json/JSON.h"

namespace Basalt {

// Compact UTF-8 JSON text: no added whitespace, members in key order.
std::string writeJSON(const JSON& value);
void writeJSON(const JSON& value, std::string& out);

}  // namespace Basalt
