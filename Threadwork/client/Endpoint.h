#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "Threadwork/client/http/HttpRequest.h"
#include "Threadwork/model/ThingId.h"
#include "Threadwork/model/Vocabulary.h"

namespace Threadwork {

// Everything about one request to the OAuth API but its base address, user agent and token.
class Endpoint {
public:
    struct FrontpageLinks {
        FrontpageCategory category;
        FrontpageSortOrder sortOrder;
        std::optional<ThingId> after;
    };
    struct SubredditLinks {
        std::string subreddit;
        SubredditSortOrder sortOrder;
        std::optional<ThingId> after;
    };
    struct Subreddits {
        std::optional<ThingId> after;
    };
    struct Comments {
        ThingId link;
    };
    struct MoreComments {
        ThingId link;
        std::vector<ThingId> children;
    };
    struct Vote {
        ThingId thing;
        VoteAction vote;
    };
    struct SearchSubreddits {
        std::string query;
        bool exact = false;
        bool includeOver18 = false;
        bool includeUnadvertisable = false;
        bool typeahead = false;
    };
    using Case = std::variant<FrontpageLinks, SubredditLinks, Subreddits, Comments, MoreComments,
                              Vote, SearchSubreddits>;

    template <typename C>
    requires std::is_constructible_v<Case, C> Endpoint(C value) : value_(std::move(value)) {}
    const Case& value() const { return value_; }

    std::string path() const;
    // A fresh search_query_id on every call for searchSubreddits.
    std::map<std::string, std::string> parameters() const;
    QByteArray method() const;
    std::vector<Http::HttpRequest::Header> headers() const;
    std::optional<QByteArray> body() const;

    // The complete request against the base address, or nothing when no valid address results.
    std::optional<Http::HttpRequest> urlRequest(const std::string& baseUrl) const;

    // For log lines and errors: the case and its payload.
    std::string description() const;

private:
    Case value_;
};

const char* sortSegment(FrontpageSortOrder order);
const char* sortSegment(SubredditSortOrder order);

}  // namespace Threadwork
