#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Basalt/Result.h"
#include "Basalt/json/DecodingError.h"
#include "Basalt/json/JSON.h"

namespace Basalt {

class Document;

// A value inside a parsed document; a cheap handle, valid while the document lives.
class NodeRef {
public:
    NodeRef() = default;
    NodeRef(const Document* document, std::uint32_t index) : document_(document), index_(index) {}

    JSON::Kind kind() const;
    bool isNull() const { return kind() == JSON::Kind::null; }
    bool isString() const { return kind() == JSON::Kind::string; }
    bool isNumber() const { return kind() == JSON::Kind::number; }
    bool isBool() const { return kind() == JSON::Kind::boolean; }
    bool isObject() const { return kind() == JSON::Kind::object; }
    bool isArray() const { return kind() == JSON::Kind::array; }

    std::optional<std::string_view> asString() const;
    std::optional<Decimal> asNumber() const;
    std::optional<bool> asBool() const;

    // Arrays: the element count. Objects: the member count, later duplicates of a key included.
    std::uint32_t size() const;
    NodeRef element(std::uint32_t position) const;
    // The member of that key (the later one of duplicates), if this is an object that has it.
    std::optional<NodeRef> find(std::string_view key) const;
    // Object members in document order, each key once (the later duplicate wins).
    template <typename F>
    void forEachMember(F&& visit) const;

    // The value as an owned JSON tree.
    JSON toJSON() const;

    const Document* document() const { return document_; }
    std::uint32_t index() const { return index_; }

private:
    const Document* document_ = nullptr;
    std::uint32_t index_ = 0;
};

// A parsed JSON document held flat: one array of nodes, strings in one buffer, no allocation per
// value. Decoders read records straight from it.
class Document {
public:
    // Same rules and errors as readJSON.
    static Result<Document, DecodingError> parse(std::string_view bytes);
    static Document fromJSON(const JSON& value);

    Document(Document&&) noexcept = default;
    Document& operator=(Document&&) noexcept = default;

    NodeRef root() const { return NodeRef(this, root_); }

    // Compact JSON text of a node, written anew. Each node asked for is written once: a record's
    // text is reused when an enclosing record (a comment's parent) is written.
    std::string rawData(std::uint32_t node) const;

private:
    friend class NodeRef;
    friend class DocumentBuilder;
    Document() = default;

    struct Node {
        JSON::Kind kind;
        std::uint32_t first = 0;         // string: text offset; number: numbers_ index; bool: 0/1;
                                         // array: elements_ offset; object: members_ offset
        std::uint32_t count = 0;         // string: length; array/object: element or member count
        std::uint32_t sorted = 0;        // object with many members: sorted_ offset + 1, else 0
        std::uint32_t sourceLength = 0;  // array/object: bytes in the input, to size writes
    };
    struct Member {
        std::uint64_t
            keyPrefix;  // the key's first eight bytes, big-endian: most comparisons end here
        std::uint32_t keyOffset;
        std::uint32_t keyLength;
        std::uint32_t node;
        bool shadowed;  // a later member has the same key
    };
    static std::uint64_t prefixOf(std::string_view key);

    std::string_view text(std::uint32_t offset, std::uint32_t length) const {
        return std::string_view(text_.get() + offset, length);
    }
    std::string_view key(const Member& m) const { return text(m.keyOffset, m.keyLength); }
    void write(std::uint32_t node, std::string& out) const;

    std::unique_ptr<char[]> text_;  // unescaped strings and keys, not zero-filled
    std::vector<Node> nodes_;
    std::vector<Decimal> numbers_;
    std::vector<std::uint32_t> elements_;
    std::vector<Member> members_;
    std::vector<std::uint32_t> sorted_;
    std::uint32_t root_ = 0;

    // Texts already written by rawData: node -> (offset in written_, length + 1), 0 if none.
    mutable std::vector<std::pair<std::uint32_t, std::uint32_t>> writtenAt_;
    mutable std::string written_;
};

template <typename F>
void NodeRef::forEachMember(F&& visit) const {
    if (!isObject()) return;
    const auto& node = document_->nodes_[index_];
    for (std::uint32_t i = 0; i < node.count; ++i) {
        const auto& member = document_->members_[node.first + i];
        if (member.shadowed) continue;
        visit(document_->key(member), NodeRef(document_, member.node));
    }
}

}  // namespace Basalt
