#include "Basalt/json/JSONReader.h"

#include <simdjson.h>

#include <string>
#include <vector>

namespace Basalt {
namespace {

namespace od = simdjson::ondemand;

constexpr std::string_view invalidJSON = "The given data was not valid JSON.";

bool isJSONWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimTrailingWhitespace(std::string_view text) {
    while (!text.empty() && isJSONWhitespace(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view trimWhitespace(std::string_view text) {
    while (!text.empty() && isJSONWhitespace(text.front())) text.remove_prefix(1);
    return trimTrailingWhitespace(text);
}

// Walks simdjson's on-demand document into a JSON tree, keeping the coding path for errors.
class TreeBuilder {
public:
    // Skips the first path entry: the scalar wrapper array is not part of the caller's document.
    explicit TreeBuilder(bool wrapped) : wrapped_(wrapped) {}

    // The value as JSON; on failure the error is recorded and the result is to be dropped.
    JSON build(od::value value, int depth) {
        od::json_type type;
        if (auto error = value.type().get(type)) return failSimdjson(error);
        switch (type) {
            case od::json_type::object:
                return buildObject(value, depth);
            case od::json_type::array:
                return buildArray(value, depth);
            case od::json_type::number:
                return buildNumber(value);
            case od::json_type::string: {
                std::string_view text;
                if (auto error = value.get_string().get(text)) return failSimdjson(error);
                return JSON(std::string(text));
            }
            case od::json_type::boolean: {
                bool truth = false;
                if (auto error = value.get_bool().get(truth)) return failSimdjson(error);
                return JSON(truth);
            }
            case od::json_type::null: {
                bool isNull = false;
                if (auto error = value.is_null().get(isNull)) return failSimdjson(error);
                if (!isNull) return failWith(std::string(invalidJSON) + " Invalid literal.");
                return JSON(nullptr);
            }
        }
        return failWith(std::string(invalidJSON));
    }

    bool failed() const { return error_.has_value(); }

    JSON failSimdjson(simdjson::error_code error) {
        return failWith(std::string(invalidJSON) + " " + simdjson::error_message(error));
    }

    JSON failWith(std::string description) {
        if (!error_) {
            error_ = DecodingError::dataCorrupted({currentPath(), std::move(description), nullptr});
        }
        return JSON();
    }

    std::optional<DecodingError> takeError() { return std::move(error_); }

private:
    struct Step {
        std::string_view key;
        int index;
    };

    bool enter(int depth) {
        if (depth < maxJSONDepth) return true;
        failWith(std::string(invalidJSON) + " Nesting is deeper than " +
                 std::to_string(maxJSONDepth) + " levels.");
        return false;
    }

    // Members and elements of the containers being built are gathered on stacks shared by all
    // levels, then moved once into a vector of the exact size: no regrowth per container.
    JSON buildObject(od::value value, int depth) {
        if (!enter(depth)) return JSON();
        od::object object;
        if (auto error = value.get_object().get(object)) return failSimdjson(error);
        const std::size_t base = members_.size();
        for (auto result : object) {
            od::field field;
            if (auto error = std::move(result).get(field)) return failSimdjson(error);
            // The unescaped key stays valid in the parser's buffer for the whole document.
            std::string_view key;
            if (auto error = field.unescaped_key().get(key)) return failSimdjson(error);
            path_.push_back({key, -1});
            JSON member = build(field.value(), depth + 1);
            if (failed()) return JSON();
            path_.pop_back();
            members_.emplace_back(std::string(key), std::move(member));
        }
        JSON built(
            JSONObject::fromMembers(members_.data() + base, members_.data() + members_.size()));
        members_.erase(members_.begin() + std::ptrdiff_t(base), members_.end());
        return built;
    }

    JSON buildArray(od::value value, int depth) {
        if (!enter(depth)) return JSON();
        od::array array;
        if (auto error = value.get_array().get(array)) return failSimdjson(error);
        const std::size_t base = elements_.size();
        int index = 0;
        for (auto result : array) {
            od::value element;
            if (auto error = std::move(result).get(element)) return failSimdjson(error);
            path_.push_back({{}, index++});
            JSON built = build(element, depth + 1);
            if (failed()) return JSON();
            path_.pop_back();
            elements_.push_back(std::move(built));
        }
        JSON::Array list(std::make_move_iterator(elements_.begin() + std::ptrdiff_t(base)),
                         std::make_move_iterator(elements_.end()));
        elements_.erase(elements_.begin() + std::ptrdiff_t(base), elements_.end());
        return JSON(std::move(list));
    }

    JSON buildNumber(od::value value) {
        // The raw token keeps every digit; simdjson does not check its syntax, so Decimal does.
        std::string_view token = trimTrailingWhitespace(value.raw_json_token());
        auto number = Decimal::parse(token);
        if (number) return JSON(number.value());
        if (number.error() == DecimalError::outOfRange) {
            return failWith("Number " + std::string(token) +
                            " is beyond the range of a Decimal (38 digits, exponent -128..127).");
        }
        return failWith(std::string(invalidJSON) + " Invalid number '" + std::string(token) + "'.");
    }

    CodingPath currentPath() const {
        CodingPath path;
        for (std::size_t i = wrapped_ ? 1 : 0; i < path_.size(); ++i) {
            const Step& step = path_[i];
            path.push_back(step.index >= 0 ? CodingKey::index(step.index)
                                           : CodingKey::member(step.key));
        }
        return path;
    }

    bool wrapped_;
    std::vector<Step> path_;
    std::vector<JSONObject::Member> members_;
    std::vector<JSON> elements_;
    std::optional<DecodingError> error_;
};

DecodingError invalid(std::string detail) {
    return DecodingError::dataCorrupted({{}, std::string(invalidJSON) + " " + detail, nullptr});
}

Result<JSON, DecodingError> readPadded(const simdjson::padded_string& input, bool wrapped) {
    // The parser keeps its buffers between documents; one per thread.
    thread_local od::parser parser;
    od::document document;
    if (auto error = parser.iterate(input).get(document)) {
        return fail(invalid(simdjson::error_message(error)));
    }
    od::value root;
    if (auto error = document.get_value().get(root)) {
        return fail(invalid(simdjson::error_message(error)));
    }
    TreeBuilder builder(wrapped);
    JSON tree = builder.build(root, wrapped ? -1 : 0);
    if (builder.failed()) return fail(*builder.takeError());
    // Anything left after the root value, "{}{}" say, is not one document.
    if (!document.current_location().error()) {
        return fail(invalid("Unexpected content after the document."));
    }
    if (!wrapped) return tree;
    // "1,2" arrives here as two elements of the wrapper.
    if (tree.asArray()->size() != 1) return fail(invalid("Unexpected content after the document."));
    return tree.asArray()->front();
}

}  // namespace

Result<JSON, DecodingError> readJSON(std::string_view bytes) {
    std::string_view content = trimWhitespace(bytes);
    if (content.empty()) return fail(invalid("The document is empty."));
    if (content.front() == '{' || content.front() == '[') {
        return readPadded(simdjson::padded_string(bytes), false);
    }
    // simdjson cannot hand out a scalar root as a value; read it as the element of an array.
    std::string wrapped;
    wrapped.reserve(content.size() + 2);
    wrapped.push_back('[');
    wrapped.append(content);
    wrapped.push_back(']');
    return readPadded(simdjson::padded_string(wrapped), true);
}

}  // namespace Basalt
