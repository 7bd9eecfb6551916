#include "Basalt/json/Document.h"

#include <algorithm>

#include "Basalt/json/JSONWriter.h"
#include "Basalt/json/detail/Walk.h"

namespace Basalt {

namespace od = simdjson::ondemand;

// Walks simdjson's document into the flat node arrays of a Document.
class DocumentBuilder {
public:
    detail::WalkState state;

    explicit DocumentBuilder(Document& document, std::size_t inputSize) : doc_(document) {
        // Unescaped text is never longer than the input: the buffer never moves.
        doc_.text_.reserve(inputSize);
    }

    bool walkRoot(od::value value, int depth) {
        doc_.root_ = build(value, depth);
        return !state.failed();
    }

private:
    // Builds the value's node (after its children) and returns its index.
    std::uint32_t build(od::value value, int depth) {
        od::json_type type;
        if (auto error = value.type().get(type)) return fail(error);
        switch (type) {
            case od::json_type::object:
                return buildObject(value, depth);
            case od::json_type::array:
                return buildArray(value, depth);
            case od::json_type::number: {
                auto number = state.number(value);
                if (!number) return 0;
                doc_.numbers_.push_back(*number);
                return add({JSON::Kind::number, std::uint32_t(doc_.numbers_.size() - 1)});
            }
            case od::json_type::string: {
                std::string_view text;
                if (auto error = value.get_string().get(text)) return fail(error);
                auto [offset, length] = store(text);
                return add({JSON::Kind::string, offset, length});
            }
            case od::json_type::boolean: {
                bool truth = false;
                if (auto error = value.get_bool().get(truth)) return fail(error);
                return add({JSON::Kind::boolean, truth ? 1u : 0u});
            }
            case od::json_type::null: {
                bool isNull = false;
                if (auto error = value.is_null().get(isNull)) return fail(error);
                if (!isNull) state.failWith(std::string(detail::invalidJSON) + " Invalid literal.");
                return add({JSON::Kind::null});
            }
        }
        state.failWith(std::string(detail::invalidJSON));
        return 0;
    }

    std::uint32_t fail(simdjson::error_code error) {
        state.failSimdjson(error);
        return 0;
    }

    std::uint32_t add(Document::Node node) {
        doc_.nodes_.push_back(node);
        return std::uint32_t(doc_.nodes_.size() - 1);
    }

    std::pair<std::uint32_t, std::uint32_t> store(std::string_view text) {
        auto offset = std::uint32_t(doc_.text_.size());
        doc_.text_.append(text);
        return {offset, std::uint32_t(text.size())};
    }

    // Children of the containers being built wait on stacks shared by all levels and are copied
    // to the document's arrays in one piece when their container ends.
    std::uint32_t buildObject(od::value value, int depth) {
        if (!state.enter(depth)) return 0;
        od::object object;
        if (auto error = value.get_object().get(object)) return fail(error);
        const std::size_t base = members_.size();
        for (auto result : object) {
            od::field field;
            if (auto error = std::move(result).get(field)) return fail(error);
            std::string_view key;
            if (auto error = field.unescaped_key().get(key)) return fail(error);
            auto [offset, length] = store(key);
            state.pushKey(key);
            std::uint32_t node = build(field.value(), depth + 1);
            if (state.failed()) return 0;
            state.pop();
            members_.push_back({offset, length, node, false});
        }
        auto first = std::uint32_t(doc_.members_.size());
        auto count = std::uint32_t(members_.size() - base);
        doc_.members_.insert(doc_.members_.end(), members_.begin() + std::ptrdiff_t(base),
                             members_.end());
        members_.resize(base);
        return add({JSON::Kind::object, first, count, indexMembers(first, count)});
    }

    // Marks members shadowed by a later one of the same key; objects with many members also get
    // a sorted index for lookups. Returns that index's offset + 1, or 0.
    std::uint32_t indexMembers(std::uint32_t first, std::uint32_t count) {
        Document::Member* members = doc_.members_.data() + first;
        if (count <= smallObject) {
            for (std::uint32_t i = 0; i < count; ++i) {
                for (std::uint32_t j = i + 1; j < count; ++j) {
                    if (members[i].keyLength == members[j].keyLength &&
                        doc_.key(members[i]) == doc_.key(members[j])) {
                        members[i].shadowed = true;
                        break;
                    }
                }
            }
            return 0;
        }
        // Layout: the number of distinct keys, then their member positions in key order.
        auto start = std::uint32_t(doc_.sorted_.size());
        doc_.sorted_.push_back(0);
        for (std::uint32_t i = 0; i < count; ++i) doc_.sorted_.push_back(i);
        auto begin = doc_.sorted_.begin() + start + 1;
        std::sort(begin, doc_.sorted_.end(), [&](std::uint32_t a, std::uint32_t b) {
            int c = doc_.key(members[a]).compare(doc_.key(members[b]));
            return c < 0 || (c == 0 && a < b);
        });
        // Keep the last of each run of equal keys.
        auto out = begin;
        for (auto it = begin; it != doc_.sorted_.end(); ++it) {
            auto next = it + 1;
            if (next != doc_.sorted_.end() && doc_.key(members[*it]) == doc_.key(members[*next])) {
                members[*it].shadowed = true;
                continue;
            }
            *out++ = *it;
        }
        doc_.sorted_.erase(out, doc_.sorted_.end());
        doc_.sorted_[start] = std::uint32_t(doc_.sorted_.size() - start - 1);
        return start + 1;
    }

    std::uint32_t buildArray(od::value value, int depth) {
        if (!state.enter(depth)) return 0;
        od::array array;
        if (auto error = value.get_array().get(array)) return fail(error);
        const std::size_t base = elements_.size();
        int index = 0;
        for (auto result : array) {
            od::value element;
            if (auto error = std::move(result).get(element)) return fail(error);
            state.pushIndex(index++);
            std::uint32_t node = build(element, depth + 1);
            if (state.failed()) return 0;
            state.pop();
            elements_.push_back(node);
        }
        auto first = std::uint32_t(doc_.elements_.size());
        auto count = std::uint32_t(elements_.size() - base);
        doc_.elements_.insert(doc_.elements_.end(), elements_.begin() + std::ptrdiff_t(base),
                              elements_.end());
        elements_.resize(base);
        return add({JSON::Kind::array, first, count});
    }

    static constexpr std::uint32_t smallObject = 12;

    Document& doc_;
    std::vector<Document::Member> members_;
    std::vector<std::uint32_t> elements_;
};

Result<Document, DecodingError> Document::parse(std::string_view bytes) {
    Document document;
    DocumentBuilder builder(document, bytes.size() + 2);
    if (auto error = detail::walkDocument(bytes, builder)) return fail(std::move(*error));
    if (builder.state.wrapped) {
        // "1,2" arrives here as two elements of the wrapper.
        const Node& wrapper = document.nodes_[document.root_];
        if (wrapper.count != 1) {
            return fail(detail::invalidDocument("Unexpected content after the document."));
        }
        document.root_ = document.elements_[wrapper.first];
    }
    return document;
}

Document Document::fromJSON(const JSON& value) {
    return parse(writeJSON(value)).value();
}

std::string Document::rawData(std::uint32_t node) const {
    if (writtenAt_.empty()) writtenAt_.assign(nodes_.size(), {0, 0});
    std::string out;
    write(node, out);
    writtenAt_[node] = {std::uint32_t(written_.size()), std::uint32_t(out.size() + 1)};
    written_.append(out);
    return out;
}

void Document::write(std::uint32_t index, std::string& out) const {
    if (!writtenAt_.empty() && writtenAt_[index].second != 0) {
        out.append(written_, writtenAt_[index].first, writtenAt_[index].second - 1);
        return;
    }
    const Node& node = nodes_[index];
    switch (node.kind) {
        case JSON::Kind::string:
            appendJSONString(text(node.first, node.count), out);
            return;
        case JSON::Kind::number:
            numbers_[node.first].appendTo(out);
            return;
        case JSON::Kind::boolean:
            out.append(node.first ? "true" : "false");
            return;
        case JSON::Kind::null:
            out.append("null");
            return;
        case JSON::Kind::array: {
            out.push_back('[');
            for (std::uint32_t i = 0; i < node.count; ++i) {
                if (i) out.push_back(',');
                write(elements_[node.first + i], out);
            }
            out.push_back(']');
            return;
        }
        case JSON::Kind::object: {
            out.push_back('{');
            bool first = true;
            for (std::uint32_t i = 0; i < node.count; ++i) {
                const Member& member = members_[node.first + i];
                if (member.shadowed) continue;
                if (!first) out.push_back(',');
                first = false;
                appendJSONString(key(member), out);
                out.push_back(':');
                write(member.node, out);
            }
            out.push_back('}');
            return;
        }
    }
}

JSON::Kind NodeRef::kind() const {
    return document_->nodes_[index_].kind;
}

std::optional<std::string_view> NodeRef::asString() const {
    const auto& node = document_->nodes_[index_];
    if (node.kind != JSON::Kind::string) return std::nullopt;
    return document_->text(node.first, node.count);
}

std::optional<Decimal> NodeRef::asNumber() const {
    const auto& node = document_->nodes_[index_];
    if (node.kind != JSON::Kind::number) return std::nullopt;
    return document_->numbers_[node.first];
}

std::optional<bool> NodeRef::asBool() const {
    const auto& node = document_->nodes_[index_];
    if (node.kind != JSON::Kind::boolean) return std::nullopt;
    return node.first != 0;
}

std::uint32_t NodeRef::size() const {
    const auto& node = document_->nodes_[index_];
    return node.kind == JSON::Kind::array || node.kind == JSON::Kind::object ? node.count : 0;
}

NodeRef NodeRef::element(std::uint32_t position) const {
    const auto& node = document_->nodes_[index_];
    return NodeRef(document_, document_->elements_[node.first + position]);
}

std::optional<NodeRef> NodeRef::find(std::string_view key) const {
    const auto& node = document_->nodes_[index_];
    if (node.kind != JSON::Kind::object) return std::nullopt;
    const Document::Member* members = document_->members_.data() + node.first;
    if (node.sorted == 0) {
        // The last match is the one that counts.
        for (std::uint32_t i = node.count; i-- > 0;) {
            if (members[i].keyLength == key.size() && document_->key(members[i]) == key) {
                return NodeRef(document_, members[i].node);
            }
        }
        return std::nullopt;
    }
    const std::uint32_t* index = document_->sorted_.data() + node.sorted - 1;
    const std::uint32_t* sorted = index + 1;
    std::uint32_t low = 0;
    std::uint32_t high = index[0];
    while (low < high) {
        std::uint32_t mid = (low + high) / 2;
        int c = document_->key(members[sorted[mid]]).compare(key);
        if (c == 0) return NodeRef(document_, members[sorted[mid]].node);
        if (c < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return std::nullopt;
}

JSON NodeRef::toJSON() const {
    switch (kind()) {
        case JSON::Kind::string:
            return JSON(std::string(*asString()));
        case JSON::Kind::number:
            return JSON(*asNumber());
        case JSON::Kind::boolean:
            return JSON(*asBool());
        case JSON::Kind::null:
            return JSON(nullptr);
        case JSON::Kind::array: {
            JSON::Array elements;
            elements.reserve(size());
            for (std::uint32_t i = 0; i < size(); ++i) elements.push_back(element(i).toJSON());
            return JSON(std::move(elements));
        }
        case JSON::Kind::object: {
            std::vector<JSONObject::Member> members;
            forEachMember([&](std::string_view key, NodeRef value) {
                members.emplace_back(std::string(key), value.toJSON());
            });
            return JSON(JSONObject::fromMembers(std::move(members)));
        }
    }
    return JSON();
}

}  // namespace Basalt
