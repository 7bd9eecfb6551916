#include "Basalt/json/JSONReader.h"

#include <string>
#include <vector>

#include "Basalt/json/detail/Walk.h"

namespace Basalt {
namespace {

using namespace detail;

// Walks the document into a JSON tree.
class TreeBuilder {
public:
    WalkState state;
    JSON root;

    bool walkRoot(od::value value, int depth) {
        root = build(value, depth);
        return !state.failed();
    }

private:
    // The value as JSON; on failure the error is recorded and the result is to be dropped.
    JSON build(od::value value, int depth) {
        od::json_type type;
        if (auto error = value.type().get(type)) return fail(error);
        switch (type) {
            case od::json_type::object:
                return buildObject(value, depth);
            case od::json_type::array:
                return buildArray(value, depth);
            case od::json_type::number: {
                auto number = state.number(value);
                return number ? JSON(*number) : JSON();
            }
            case od::json_type::string: {
                std::string_view text;
                if (auto error = value.get_string().get(text)) return fail(error);
                return JSON(std::string(text));
            }
            case od::json_type::boolean: {
                bool truth = false;
                if (auto error = value.get_bool().get(truth)) return fail(error);
                return JSON(truth);
            }
            case od::json_type::null: {
                bool isNull = false;
                if (auto error = value.is_null().get(isNull)) return fail(error);
                if (!isNull) state.failWith(std::string(invalidJSON) + " Invalid literal.");
                return JSON(nullptr);
            }
        }
        state.failWith(std::string(invalidJSON));
        return JSON();
    }

    JSON fail(simdjson::error_code error) {
        state.failSimdjson(error);
        return JSON();
    }

    // Members and elements of the containers being built are gathered on stacks shared by all
    // levels, then moved once into a vector of the exact size: no regrowth per container.
    JSON buildObject(od::value value, int depth) {
        if (!state.enter(depth)) return JSON();
        od::object object;
        if (auto error = value.get_object().get(object)) return fail(error);
        const std::size_t base = members_.size();
        for (auto result : object) {
            od::field field;
            if (auto error = std::move(result).get(field)) return fail(error);
            // The unescaped key stays valid in the parser's buffer for the whole document.
            std::string_view key;
            if (auto error = field.unescaped_key().get(key)) return fail(error);
            state.pushKey(key);
            JSON member = build(field.value(), depth + 1);
            if (state.failed()) return JSON();
            state.pop();
            members_.emplace_back(std::string(key), std::move(member));
        }
        JSON built(
            JSONObject::fromMembers(members_.data() + base, members_.data() + members_.size()));
        members_.erase(members_.begin() + std::ptrdiff_t(base), members_.end());
        return built;
    }

    JSON buildArray(od::value value, int depth) {
        if (!state.enter(depth)) return JSON();
        od::array array;
        if (auto error = value.get_array().get(array)) return fail(error);
        const std::size_t base = elements_.size();
        int index = 0;
        for (auto result : array) {
            od::value element;
            if (auto error = std::move(result).get(element)) return fail(error);
            state.pushIndex(index++);
            JSON built = build(element, depth + 1);
            if (state.failed()) return JSON();
            state.pop();
            elements_.push_back(std::move(built));
        }
        JSON::Array list(std::make_move_iterator(elements_.begin() + std::ptrdiff_t(base)),
                         std::make_move_iterator(elements_.end()));
        elements_.erase(elements_.begin() + std::ptrdiff_t(base), elements_.end());
        return JSON(std::move(list));
    }

    std::vector<JSONObject::Member> members_;
    std::vector<JSON> elements_;
};

}  // namespace

Result<JSON, DecodingError> readJSON(std::string_view bytes) {
    TreeBuilder builder;
    if (auto error = walkDocument(bytes, builder)) return fail(std::move(*error));
    if (!builder.state.wrapped) return std::move(builder.root);
    // "1,2" arrives here as two elements of the wrapper.
    const auto& wrapper = *builder.root.asArray();
    if (wrapper.size() != 1) return fail(invalidDocument("Unexpected content after the document."));
    return wrapper.front();
}

}  // namespace Basalt
