#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Basalt/json/Coding.h"
#include "Threadwork/model/ThingId.h"
#include "Threadwork/model/Validation.h"

namespace Threadwork {

// A community as listed in the user's subscriptions.
struct Subreddit {
    static constexpr const char* typeName = "Subreddit";
    static std::optional<ThingType> allowedElementKind() { return ThingType::Case::subreddit; }

    std::optional<std::string> rawData;
    double created_utc = 0;
    std::string description;
    std::optional<std::string> description_html;
    std::string display_name;
    std::string display_name_prefixed;
    std::string id;
    ThingId name;
    std::string public_description;
    std::optional<std::string> public_description_html;
    std::int64_t subscribers = 0;
    std::string title;
    std::string url;

    static Subreddit decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

// Keeps a top-level record's JSON written anew, or logs why it could not:
// "Failed to get raw json for <what> %{public}@: %{public}@".
std::optional<std::string> rawDataOf(const Basalt::Decoder& decoder, const char* what,
                                     const ThingId& name);

}  // namespace Threadwork

namespace Threadwork {

// The answer of the subreddit-name search.
struct SearchSubreddits {
    static constexpr const char* typeName = "SearchSubreddits";
    std::vector<std::string> names;

    static SearchSubreddits decode(Basalt::Decoder& decoder) {
        auto c = decoder.keyedContainer();
        return {c.decode<std::vector<std::string>>("names")};
    }
};

}  // namespace Threadwork
