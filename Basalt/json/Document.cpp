#include "Basalt/json/Document.h"

#include <algorithm>

#include "Basalt/json/JSONWriter.h"
#include "Basalt/json/detail/Walk.h"

namespace Basalt {

// Builds a Document from simdjson's first stage (the positions of every structural character
// and scalar, found with SIMD, UTF-8 validated) with a recursive descent of our own: the second
// stage of simdjson's DOM parser would turn numbers into binary floats and lose digits.
class DocumentBuilder {
public:
    DocumentBuilder(Document& document, const simdjson::padded_string& input,
                    const simdjson::dom::parser& parser)
        : doc_(document),
          buffer_(reinterpret_cast<const std::uint8_t*>(input.data())),
          length_(input.size()),
          implementation_(*parser.implementation),
          structurals_(implementation_.structural_indexes.get()),
          count_(implementation_.n_structural_indexes) {
        // Unescaped text is never longer than the input; the string parser may write a block
        // past the end of what it unescapes.
        doc_.text_ = std::make_unique_for_overwrite<char[]>(length_ + simdjson::SIMDJSON_PADDING);
        // Every value has a structural of its own: these bounds never need to grow.
        doc_.nodes_.reserve(count_);
        members_.reserve(count_ / 2 + 1);
        elements_.reserve(count_);
    }

    std::optional<DecodingError> build() {
        if (count_ == 0) return detail::invalidDocument("The document is empty.");
        doc_.root_ = value(0);
        if (state_.failed()) return state_.takeError();
        if (position_ != count_) {
            return detail::invalidDocument("Unexpected content after the document.");
        }
        return std::nullopt;
    }

private:
    char current() const { return char(buffer_[structurals_[position_]]); }
    bool atEnd() const { return position_ >= count_; }

    std::uint32_t fail(const char* what) {
        state_.failWith(std::string(detail::invalidJSON) + " " + what);
        return 0;
    }

    std::uint32_t add(Document::Node node) {
        doc_.nodes_.push_back(node);
        return std::uint32_t(doc_.nodes_.size() - 1);
    }

    std::uint32_t value(int depth) {
        if (atEnd()) return fail("The document ends too early.");
        switch (current()) {
            case '{':
                return object(depth);
            case '[':
                return array(depth);
            case '"': {
                auto [offset, length] = string();
                if (state_.failed()) return 0;
                return add({JSON::Kind::string, offset, length});
            }
            case 't':
                return literal("true", {JSON::Kind::boolean, 1});
            case 'f':
                return literal("false", {JSON::Kind::boolean, 0});
            case 'n':
                return literal("null", {JSON::Kind::null});
            default:
                return number();
        }
    }

    // The text of the scalar at the current position: up to the next structural, trimmed.
    std::string_view token() const {
        const std::uint32_t start = structurals_[position_];
        const std::size_t end = position_ + 1 < count_ ? structurals_[position_ + 1] : length_;
        std::string_view text(reinterpret_cast<const char*>(buffer_) + start, end - start);
        return detail::trimTrailingWhitespace(text);
    }

    std::uint32_t literal(std::string_view expected, Document::Node node) {
        if (token() != expected) return fail("Invalid literal.");
        ++position_;
        return add(node);
    }

    std::uint32_t number() {
        std::string_view text = token();
        auto parsed = Decimal::parse(text);
        if (!parsed) {
            if (parsed.error() == DecimalError::outOfRange) {
                state_.failWith("Number " + std::string(text) +
                                " is beyond the range of a Decimal (38 digits, exponent "
                                "-128..127).");
            } else {
                state_.failWith(std::string(detail::invalidJSON) + " Invalid number '" +
                                std::string(text) + "'.");
            }
            return 0;
        }
        ++position_;
        doc_.numbers_.push_back(parsed.value());
        return add({JSON::Kind::number, std::uint32_t(doc_.numbers_.size() - 1)});
    }

    // Unescapes the string at the current position into the document's text.
    std::pair<std::uint32_t, std::uint32_t> string() {
        auto* destination = reinterpret_cast<std::uint8_t*>(doc_.text_.get()) + textEnd_;
        const std::uint8_t* source = buffer_ + structurals_[position_] + 1;
        std::uint8_t* end = implementation_.parse_string(source, destination);
        if (!end) {
            fail("Invalid escape or unpaired surrogate in a string.");
            return {0, 0};
        }
        ++position_;
        auto offset = std::uint32_t(textEnd_);
        auto length = std::uint32_t(end - destination);
        textEnd_ += length;
        return {offset, length};
    }

    bool enter(int depth) { return state_.enter(depth); }

    std::uint32_t sourceLengthFrom(std::uint32_t start) const {
        return structurals_[position_ - 1] + 1 - start;
    }

    std::uint32_t object(int depth) {
        if (!enter(depth)) return 0;
        const std::uint32_t start = structurals_[position_];
        ++position_;  // {
        const std::size_t base = members_.size();
        if (!atEnd() && current() == '}') {
            ++position_;
        } else {
            while (true) {
                if (atEnd() || current() != '"') return fail("Expected a member name.");
                auto [offset, length] = string();
                if (state_.failed()) return 0;
                if (atEnd() || current() != ':') return fail("Expected ':' after a member name.");
                ++position_;
                state_.pushKey(doc_.text(offset, length));
                std::uint32_t node = value(depth + 1);
                if (state_.failed()) return 0;
                state_.pop();
                members_.push_back(
                    {Document::prefixOf(doc_.text(offset, length)), offset, length, node, false});
                if (atEnd()) return fail("The document ends inside an object.");
                const char next = current();
                ++position_;
                if (next == '}') break;
                if (next != ',') return fail("Expected ',' or '}' after an object member.");
            }
        }
        auto first = std::uint32_t(doc_.members_.size());
        auto count = std::uint32_t(members_.size() - base);
        doc_.members_.insert(doc_.members_.end(), members_.begin() + std::ptrdiff_t(base),
                             members_.end());
        members_.resize(base);
        return add({JSON::Kind::object, first, count, indexMembers(first, count),
                    sourceLengthFrom(start)});
    }

    std::uint32_t array(int depth) {
        if (!enter(depth)) return 0;
        const std::uint32_t start = structurals_[position_];
        ++position_;  // [
        const std::size_t base = elements_.size();
        if (!atEnd() && current() == ']') {
            ++position_;
        } else {
            int index = 0;
            while (true) {
                state_.pushIndex(index++);
                std::uint32_t node = value(depth + 1);
                if (state_.failed()) return 0;
                state_.pop();
                elements_.push_back(node);
                if (atEnd()) return fail("The document ends inside an array.");
                const char next = current();
                ++position_;
                if (next == ']') break;
                if (next != ',') return fail("Expected ',' or ']' after an array element.");
            }
        }
        auto first = std::uint32_t(doc_.elements_.size());
        auto count = std::uint32_t(elements_.size() - base);
        doc_.elements_.insert(doc_.elements_.end(), elements_.begin() + std::ptrdiff_t(base),
                              elements_.end());
        elements_.resize(base);
        return add({JSON::Kind::array, first, count, 0, sourceLengthFrom(start)});
    }

    // Marks members shadowed by a later one of the same key; objects with many members also get
    // a sorted index for lookups. Returns that index's offset + 1, or 0.
    std::uint32_t indexMembers(std::uint32_t first, std::uint32_t count) {
        Document::Member* members = doc_.members_.data() + first;
        if (count <= smallObject) {
            for (std::uint32_t i = 0; i < count; ++i) {
                for (std::uint32_t j = i + 1; j < count; ++j) {
                    if (members[i].keyPrefix == members[j].keyPrefix &&
                        members[i].keyLength == members[j].keyLength &&
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
            if (members[a].keyPrefix != members[b].keyPrefix) {
                return members[a].keyPrefix < members[b].keyPrefix;
            }
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

    static constexpr std::uint32_t smallObject = 12;

    Document& doc_;
    const std::uint8_t* buffer_;
    std::size_t length_;
    simdjson::internal::dom_parser_implementation& implementation_;
    const std::uint32_t* structurals_;
    std::uint32_t count_;
    std::uint32_t position_ = 0;
    std::size_t textEnd_ = 0;
    detail::WalkState state_;
    std::vector<Document::Member> members_;
    std::vector<std::uint32_t> elements_;
};

Result<Document, DecodingError> Document::parse(std::string_view bytes) {
    if (std::all_of(bytes.begin(), bytes.end(), detail::isJSONWhitespace)) {
        return fail(detail::invalidDocument("The document is empty."));
    }
    simdjson::padded_string input(bytes);
    // The parser keeps its buffers between documents; one per thread.
    thread_local simdjson::dom::parser parser;
    if (!parser.implementation || parser.capacity() < input.size()) {
        if (auto error = parser.allocate(input.size())) {
            return fail(detail::invalidDocument(simdjson::error_message(error)));
        }
    }
    auto error = parser.implementation->stage1(reinterpret_cast<const std::uint8_t*>(input.data()),
                                               input.size(), simdjson::stage1_mode::regular);
    if (error == simdjson::EMPTY) return fail(detail::invalidDocument("The document is empty."));
    if (error) return fail(detail::invalidDocument(simdjson::error_message(error)));
    Document document;
    DocumentBuilder builder(document, input, parser);
    if (auto failure = builder.build()) return fail(std::move(*failure));
    return document;
}

Document Document::fromJSON(const JSON& value) {
    return parse(writeJSON(value)).value();
}

std::uint64_t Document::prefixOf(std::string_view key) {
    std::uint64_t prefix = 0;
    const std::size_t n = std::min<std::size_t>(key.size(), 8);
    for (std::size_t i = 0; i < n; ++i) {
        prefix |= std::uint64_t(static_cast<unsigned char>(key[i])) << (56 - 8 * i);
    }
    return prefix;
}

std::string Document::rawData(std::uint32_t node) const {
    if (writtenAt_.empty()) {
        writtenAt_.assign(nodes_.size(), {0, 0});
        // Records nest (a comment holds its replies), so their texts add up to a few times the
        // input; room for that up front spares copying the whole buffer as it grows.
        written_.reserve(std::size_t(nodes_[root_].sourceLength) * 3);
    }
    const std::size_t start = written_.size();
    write(node, written_);
    const std::size_t length = written_.size() - start;
    writtenAt_[node] = {std::uint32_t(start), std::uint32_t(length + 1)};
    return written_.substr(start, length);
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
    const std::uint64_t prefix = Document::prefixOf(key);
    if (node.sorted == 0) {
        // The last match is the one that counts.
        for (std::uint32_t i = node.count; i-- > 0;) {
            if (members[i].keyPrefix == prefix && members[i].keyLength == key.size() &&
                document_->key(members[i]) == key) {
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
        const auto& member = members[sorted[mid]];
        int c = member.keyPrefix < prefix   ? -1
                : member.keyPrefix > prefix ? 1
                                            : document_->key(member).compare(key);
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
