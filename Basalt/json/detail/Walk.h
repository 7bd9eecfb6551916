#pragma once

// Shared by the readers that walk simdjson's on-demand documents. Include only from sources that
// are compiled with the reader's architecture flags (see Basalt/CMakeLists.txt).

#include <simdjson.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Basalt/json/Decimal.h"
#include "Basalt/json/DecodingError.h"
#include "Basalt/json/JSONReader.h"

namespace Basalt::detail {

namespace od = simdjson::ondemand;

inline constexpr std::string_view invalidJSON = "The given data was not valid JSON.";

inline bool isJSONWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline std::string_view trimTrailingWhitespace(std::string_view text) {
    while (!text.empty() && isJSONWhitespace(text.back())) text.remove_suffix(1);
    return text;
}

inline DecodingError invalidDocument(std::string detail) {
    return DecodingError::dataCorrupted({{}, std::string(invalidJSON) + " " + detail, nullptr});
}

// The coding path of the walk and its first error.
class WalkState {
public:
    bool failed() const { return error_.has_value(); }
    std::optional<DecodingError> takeError() { return std::move(error_); }

    void failWith(std::string description) {
        if (!error_) {
            error_ = DecodingError::dataCorrupted({currentPath(), std::move(description), nullptr});
        }
    }
    void failSimdjson(simdjson::error_code error) {
        failWith(std::string(invalidJSON) + " " + simdjson::error_message(error));
    }
    bool enter(int depth) {
        if (depth < maxJSONDepth) return true;
        failWith(std::string(invalidJSON) + " Nesting is deeper than " +
                 std::to_string(maxJSONDepth) + " levels.");
        return false;
    }
    void pushKey(std::string_view key) { path_.push_back({key, -1}); }
    void pushIndex(int index) { path_.push_back({{}, index}); }
    void pop() { path_.pop_back(); }

    // The raw token keeps every digit; simdjson does not check its syntax, so Decimal does.
    std::optional<Decimal> number(od::value& value) {
        std::string_view token = trimTrailingWhitespace(value.raw_json_token());
        auto number = Decimal::parse(token);
        if (number) return number.value();
        if (number.error() == DecimalError::outOfRange) {
            failWith("Number " + std::string(token) +
                     " is beyond the range of a Decimal (38 digits, exponent -128..127).");
        } else {
            failWith(std::string(invalidJSON) + " Invalid number '" + std::string(token) + "'.");
        }
        return std::nullopt;
    }

    // A scalar document is walked as the only element of a wrapper array, which is not part of
    // the caller's coding paths.
    bool wrapped = false;

private:
    struct Step {
        std::string_view key;
        int index;
    };

    CodingPath currentPath() const {
        CodingPath path;
        for (std::size_t i = wrapped ? 1 : 0; i < path_.size(); ++i) {
            const Step& step = path_[i];
            path.push_back(step.index >= 0 ? CodingKey::index(step.index)
                                           : CodingKey::member(step.key));
        }
        return path;
    }

    std::vector<Step> path_;
    std::optional<DecodingError> error_;
};

// Parses bytes and hands the root value to walker.walkRoot(value, depth), which returns false on
// failure (recorded in its WalkState). A scalar document arrives wrapped in an array of one.
template <typename Walker>
std::optional<DecodingError> walkDocument(std::string_view bytes, Walker& walker) {
    std::string_view content = bytes;
    while (!content.empty() && isJSONWhitespace(content.front())) content.remove_prefix(1);
    content = trimTrailingWhitespace(content);
    if (content.empty()) return invalidDocument("The document is empty.");
    walker.state.wrapped = content.front() != '{' && content.front() != '[';
    simdjson::padded_string input;
    if (walker.state.wrapped) {
        std::string wrapper;
        wrapper.reserve(content.size() + 2);
        wrapper.append("[").append(content).append("]");
        input = simdjson::padded_string(wrapper);
    } else {
        input = simdjson::padded_string(bytes);
    }
    // The parser keeps its buffers between documents; one per thread.
    thread_local od::parser parser;
    od::document document;
    if (auto error = parser.iterate(input).get(document)) {
        return invalidDocument(simdjson::error_message(error));
    }
    od::value root;
    if (auto error = document.get_value().get(root)) {
        return invalidDocument(simdjson::error_message(error));
    }
    if (!walker.walkRoot(root, walker.state.wrapped ? -1 : 0)) return walker.state.takeError();
    // Anything left after the root value, "{}{}" say, is not one document.
    if (!document.current_location().error()) {
        return invalidDocument("Unexpected content after the document.");
    }
    return std::nullopt;
}

}  // namespace Basalt::detail
