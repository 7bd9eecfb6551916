#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Threadwork {

// What a record's consistency check found; validation is advisory and only logged.
struct ValidationError {
    enum class Kind { inconsistency, todo };

    Kind kind;
    std::string context;
    std::string debugDescription;

    static ValidationError inconsistency(std::string context, std::string description) {
        return {Kind::inconsistency, std::move(context), std::move(description)};
    }
    static ValidationError todo(std::string context, std::string description) {
        return {Kind::todo, std::move(context), std::move(description)};
    }

    // inconsistency(context: "best", debugDescription: "kind is 't1', expected 't3'")
    std::string localizedDescription() const;
};

// Empty when the record passes; the first problem otherwise.
using ValidationResult = std::optional<ValidationError>;

// Text as a double-quoted literal with escapes: "a\"b\n".
std::string quoted(std::string_view text);

// ["a", "b"]
template <typename Range>
std::string printedList(const Range& texts) {
    std::string out = "[";
    bool first = true;
    for (const auto& text : texts) {
        if (!first) out += ", ";
        first = false;
        out += quoted(text);
    }
    return out + "]";
}

}  // namespace Threadwork

namespace Threadwork {

bool isValidUtf8(std::string_view bytes);
// Raw data as log text: the empty text when there is none or it is not valid UTF-8.
std::string utf8OrEmpty(const std::optional<std::string>& rawData);

}  // namespace Threadwork
