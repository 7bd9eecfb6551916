#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Threadwork/model/Link.h"
#include "Threadwork/model/Listing.h"
#include "Threadwork/model/ThingId.h"
#include "Threadwork/model/Validation.h"

namespace Threadwork {

struct Comment;

// A comment with its replies.
struct CommentValue {
    static constexpr const char* typeName = "Value";

    std::optional<std::string> rawData;
    std::string author;
    std::optional<ThingId> author_fullname;
    std::string body;
    double created_utc = 0;
    std::int64_t depth = 0;
    std::int64_t downs = 0;
    std::string id;
    bool is_submitter = false;
    ThingId link_id;
    bool locked = false;
    ThingId name;
    ThingId parent_id;
    std::string permalink;
    std::vector<Comment> replies;
    std::int64_t score = 0;
    std::string subreddit;
    ThingId subreddit_id;
    std::string subreddit_name_prefixed;
    std::int64_t ups = 0;

    static CommentValue decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

// A "more" placeholder: a fetchable batch, or with no children a thread continued elsewhere.
struct CommentMore {
    static constexpr const char* typeName = "More";

    std::optional<std::string> rawData;
    std::vector<std::string> children;
    std::int64_t count = 0;
    std::int64_t depth = 0;
    std::string id;
    ThingId name;
    ThingId parent_id;

    static CommentMore decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

// A node of a comment tree.
struct Comment {
    static constexpr const char* typeName = "Comment";
    using Value = CommentValue;
    using More = CommentMore;
    // A comment listing mixes comments and placeholders.
    static std::optional<ThingType> allowedElementKind() { return std::nullopt; }

    std::variant<Value, More> node;

    const Value* value() const { return std::get_if<Value>(&node); }
    const More* more() const { return std::get_if<More>(&node); }

    static Comment decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

// The comments response of one link: the link, then its top-level comments.
struct Comments {
    static constexpr const char* typeName = "Comments";

    Link link;
    std::vector<Comment> comments;

    static Comments decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

// The more-children response.
struct MoreComments {
    static constexpr const char* typeName = "MoreComments";

    struct SomeJson {
        static constexpr const char* typeName = "SomeJson";
        struct SomeData {
            static constexpr const char* typeName = "SomeData";
            struct CommentWrappedWithKind {
                static constexpr const char* typeName = "CommentWrappedWithKind";
                ThingType kind;
                Comment data;
                static CommentWrappedWithKind decode(Basalt::Decoder& decoder);
                ValidationResult validate() const;
            };
            std::vector<CommentWrappedWithKind> things;
            static SomeData decode(Basalt::Decoder& decoder);
        };
        std::optional<SomeData> data;
        static SomeJson decode(Basalt::Decoder& decoder);
        ValidationResult validate() const;
    };

    SomeJson json;

    // The comments of every thing, in order; none when the response has no data.
    std::vector<Comment> comments() const;

    static MoreComments decode(Basalt::Decoder& decoder);
    ValidationResult validate() const { return json.validate(); }
};

}  // namespace Threadwork
