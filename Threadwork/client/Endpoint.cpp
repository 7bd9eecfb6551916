#include "Threadwork/client/Endpoint.h"

#include <QUuid>

namespace Threadwork {
namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

const char* categoryPrefix(FrontpageCategory category) {
    switch (category) {
        case FrontpageCategory::home:
            return "";
        case FrontpageCategory::popularPosts:
            return "/r/popular";
        case FrontpageCategory::allPosts:
            return "/r/all";
    }
    return "";
}

const char* flag(bool value) {
    return value ? "true" : "false";
}

int direction(VoteAction action) {
    switch (action) {
        case VoteAction::upvote:
            return 1;
        case VoteAction::downvote:
            return -1;
        case VoteAction::unvote:
            return 0;
    }
    return 0;
}

void addAfter(std::map<std::string, std::string>& parameters, const std::optional<ThingId>& after) {
    if (after) parameters["after"] = after->rawValue();
}

std::string optionalId(const std::optional<ThingId>& id) {
    return id ? id->rawValue() : "nil";
}

}  // namespace

const char* sortSegment(FrontpageSortOrder order) {
    switch (order) {
        case FrontpageSortOrder::best:
            return "best";
        case FrontpageSortOrder::hot:
            return "hot";
        case FrontpageSortOrder::new_:
            return "new";
        case FrontpageSortOrder::top:
            return "top";
        case FrontpageSortOrder::rising:
            return "rising";
        case FrontpageSortOrder::controversial:
            return "controversial";
    }
    return "";
}

const char* sortSegment(SubredditSortOrder order) {
    switch (order) {
        case SubredditSortOrder::hot:
            return "hot";
        case SubredditSortOrder::new_:
            return "new";
        case SubredditSortOrder::top:
            return "top";
        case SubredditSortOrder::rising:
            return "rising";
        case SubredditSortOrder::controversial:
            return "controversial";
    }
    return "";
}

std::string Endpoint::path() const {
    return std::visit(
        Overloaded{
            [](const FrontpageLinks& e) {
                return std::string(categoryPrefix(e.category)) + "/" + sortSegment(e.sortOrder);
            },
            [](const SubredditLinks& e) {
                return "/r/" + e.subreddit + "/" + sortSegment(e.sortOrder);
            },
            [](const Subreddits&) { return std::string("/subreddits/mine/subscriber"); },
            [](const Comments& e) { return "/comments/" + e.link.identifier; },
            [](const MoreComments&) { return std::string("/api/morechildren"); },
            [](const Vote&) { return std::string("/api/vote"); },
            [](const SearchSubreddits&) { return std::string("/api/search_reddit_names"); },
        },
        value_);
}

std::map<std::string, std::string> Endpoint::parameters() const {
    using Map = std::map<std::string, std::string>;
    return std::visit(
        Overloaded{
            [](const FrontpageLinks& e) {
                Map p{{"raw_json", "1"}};
                addAfter(p, e.after);
                return p;
            },
            [](const SubredditLinks& e) {
                Map p{{"raw_json", "1"}};
                addAfter(p, e.after);
                return p;
            },
            [](const Subreddits& e) {
                Map p{{"raw_json", "1"}};
                addAfter(p, e.after);
                return p;
            },
            [](const Comments&) {
                return Map{{"raw_json", "1"},    {"context", "0"},       {"showedits", "false"},
                           {"showmore", "true"}, {"sort", "confidence"}, {"threaded", "true"},
                           {"truncate", "0"}};
            },
            [](const MoreComments& e) {
                std::string children;
                for (const auto& child : e.children) {
                    if (!children.empty()) children += ",";
                    children += child.identifier;
                }
                return Map{{"raw_json", "1"},
                           {"api_type", "json"},
                           {"link_id", e.link.rawValue()},
                           {"limit_children", "false"},
                           {"sort", "confidence"},
                           {"children", children}};
            },
            [](const Vote&) { return Map{}; },
            [](const SearchSubreddits& e) {
                return Map{
                    {"query", e.query},
                    {"exact", flag(e.exact)},
                    {"include_over_18", flag(e.includeOver18)},
                    {"include_unadvertisable", flag(e.includeUnadvertisable)},
                    {"typeahead_active", flag(e.typeahead)},
                    {"search_query_id",
                     QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString()}};
            },
        },
        value_);
}

QByteArray Endpoint::method() const {
    return std::holds_alternative<Vote>(value_) ? "POST" : "GET";
}

std::vector<Http::HttpRequest::Header> Endpoint::headers() const {
    if (!std::holds_alternative<Vote>(value_)) return {};
    return {{"Content-Type", "application/x-www-form-urlencoded"}};
}

std::optional<QByteArray> Endpoint::body() const {
    const auto* vote = std::get_if<Vote>(&value_);
    if (!vote) return std::nullopt;
    const std::map<std::string, std::string> form{{"id", vote->thing.rawValue()},
                                                  {"dir", std::to_string(direction(vote->vote))},
                                                  {"rank", "2"}};
    QString joined;
    for (const auto& [name, value] : form) {
        if (!joined.isEmpty()) joined += '&';
        joined += QString::fromStdString(name) + '=' + QString::fromStdString(value);
    }
    // The query-allowed set: "&" and "=" survive.
    return QUrl::toPercentEncoding(joined, "!$&'()*+,;=:@/?");
}

std::optional<Http::HttpRequest> Endpoint::urlRequest(const std::string& baseUrl) const {
    QUrl url(QString::fromStdString(baseUrl + path()), QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) return std::nullopt;
    std::vector<std::pair<QString, QString>> items;
    for (const auto& [name, value] : parameters()) {
        items.emplace_back(QString::fromStdString(name), QString::fromStdString(value));
    }
    url.setQuery(QString::fromLatin1(Http::encodeQuery(items)), QUrl::StrictMode);
    if (!url.isValid()) return std::nullopt;
    Http::HttpRequest request;
    request.url = url;
    request.method = method();
    request.headers = headers();
    request.body = body();
    return request;
}

std::string Endpoint::description() const {
    return std::visit(
        Overloaded{
            [](const FrontpageLinks& e) {
                return "frontpageLinks(path: " + Endpoint(e).path() +
                       ", after: " + optionalId(e.after) + ")";
            },
            [](const SubredditLinks& e) {
                return "subredditLinks(subreddit: \"" + e.subreddit +
                       "\", sortOrder: " + sortSegment(e.sortOrder) +
                       ", after: " + optionalId(e.after) + ")";
            },
            [](const Subreddits& e) { return "subreddits(after: " + optionalId(e.after) + ")"; },
            [](const Comments& e) { return "comments(link: " + e.link.rawValue() + ")"; },
            [](const MoreComments& e) {
                return "moreComments(link: " + e.link.rawValue() +
                       ", children: " + std::to_string(e.children.size()) + ")";
            },
            [](const Vote& e) {
                return "vote(thing: " + e.thing.rawValue() +
                       ", dir: " + std::to_string(direction(e.vote)) + ")";
            },
            [](const SearchSubreddits& e) {
                return "searchSubreddits(query: \"" + e.query + "\")";
            },
        },
        value_);
}

}  // namespace Threadwork
