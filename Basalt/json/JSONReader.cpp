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

    bool build(od::value value, JSON& out, int depth) {
        od::json_type type;
        if (auto error = value.type().get(type)) return failSimdjson(error);
        switch (type) {
            case od::json_type::object:
                return buildObject(value, out, depth);
            case od::json_type::array:
                return buildArray(value, out, depth);
            case od::json_type::number:
                return buildNumber(value, out);
            case od::json_type::string: {
                std::string_view text;
                if (auto error = value.get_string().get(text)) return failSimdjson(error);
                out = JSON(std::string(text));
                return true;
            }
            case od::json_type::boolean: {
                bool truth = false;
                if (auto error = value.get_bool().get(truth)) return failSimdjson(error);
                out = JSON(truth);
                return true;
            }
            case od::json_type::null: {
                bool isNull = false;
                if (auto error = value.is_null().get(isNull)) return failSimdjson(error);
                if (!isNull) return failWith(std::string(invalidJSON) + " Invalid literal.");
                out = JSON(nullptr);
                return true;
            }
        }
        return failWith(std::string(invalidJSON));
    }

    bool failSimdjson(simdjson::error_code error) {
        return failWith(std::string(invalidJSON) + " " + simdjson::error_message(error));
    }

    bool failWith(std::string description) {
        if (!error_) {
            error_ = DecodingError::dataCorrupted({currentPath(), std::move(description), nullptr});
        }
        return false;
    }

    std::optional<DecodingError> takeError() { return std::move(error_); }

private:
    struct Step {
        std::string_view key;
        int index;
    };

    bool enter(int depth) {
        if (depth < maxJSONDepth) return true;
        return failWith(std::string(invalidJSON) + " Nesting is deeper than " +
                        std::to_string(maxJSONDepth) + " levels.");
    }

    bool buildObject(od::value value, JSON& out, int depth) {
        if (!enter(depth)) return false;
        od::object object;
        if (auto error = value.get_object().get(object)) return failSimdjson(error);
        std::vector<JSONObject::Member> members;
        for (auto result : object) {
            od::field field;
            if (auto error = std::move(result).get(field)) return failSimdjson(error);
            std::string_view key;
            if (auto error = field.unescaped_key().get(key)) return failSimdjson(error);
            members.emplace_back(std::string(key), JSON());
            path_.push_back({key, -1});
            if (!build(field.value(), members.back().second, depth + 1)) return false;
            path_.pop_back();
        }
        out = JSON(JSONObject::fromMembers(std::move(members)));
        return true;
    }

    bool buildArray(od::value value, JSON& out, int depth) {
        if (!enter(depth)) return false;
        od::array array;
        if (auto error = value.get_array().get(array)) return failSimdjson(error);
        JSON::Array elements;
        int index = 0;
        for (auto result : array) {
            od::value element;
            if (auto error = std::move(result).get(element)) return failSimdjson(error);
            path_.push_back({{}, index++});
            if (!build(element, elements.emplace_back(), depth + 1)) return false;
            path_.pop_back();
        }
        out = JSON(std::move(elements));
        return true;
    }

    bool buildNumber(od::value value, JSON& out) {
        // The raw token keeps every digit; simdjson does not check its syntax, so Decimal does.
        std::string_view token = trimTrailingWhitespace(value.raw_json_token());
        auto number = Decimal::parse(token);
        if (!number) {
            if (number.error() == DecimalError::outOfRange) {
                return failWith("Number " + std::string(token) +
                                " is beyond the range of a Decimal (38 digits, exponent "
                                "-128..127).");
            }
            return failWith(std::string(invalidJSON) + " Invalid number '" + std::string(token) +
                            "'.");
        }
        out = JSON(number.value());
        return true;
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
    JSON tree;
    if (!builder.build(root, tree, wrapped ? -1 : 0)) return fail(*builder.takeError());
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
