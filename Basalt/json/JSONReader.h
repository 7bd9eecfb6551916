#pragma once

#include <string_view>

#include "Basalt/Result.h"
#include "Basalt/json/DecodingError.h"
#include "Basalt/json/JSON.h"

namespace Basalt {

// Nesting deeper than this is rejected rather than walked.
inline constexpr int maxJSONDepth = 512;

// Parses one JSON document. Invalid UTF-8, bad escapes, malformed numbers, nesting past
// maxJSONDepth, numbers beyond Decimal's range and trailing content are data-corrupted errors
// carrying the coding path where they were found.
Result<JSON, DecodingError> readJSON(std::string_view bytes);

}  // namespace Basalt
