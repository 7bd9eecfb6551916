#include "Tavrin/store/RedditQueries.h"

namespace Tavrin::Queries {

using namespace Graph;

FetchRequest lastPageOfFeed(const std::string& feedId) {
    return {"Page", equals("feed.id", feedId), {{"index", false}}, 1, 0, {}};
}

FetchRequest linkInFeed(const std::string& linkFullname, const std::string& feedId) {
    return {"Post", equals("idRawValue", linkFullname) && equals("page.feed.id", feedId),
            {},     std::nullopt,
            0,      {}};
}

FetchRequest postsOfFeed(const std::string& feedId) {
    return {"Post", equals("page.feed.id", feedId), {{"page.index"}, {"index"}}, std::nullopt, 0,
            {}};
}

FetchRequest commentRowsOfPost(ObjectID post) {
    return {"CommentElement", equalsObject("post", post), {{"index"}}, std::nullopt, 100,
            {"comment"}};
}

FetchRequest rowsAfterPlaceholder(const std::string& postFullname, std::int64_t placeholderIndex) {
    return {"CommentElement",
            equals("post.idRawValue", postFullname) &&
                where("index", Comparison::Op::greater, placeholderIndex),
            {},
            std::nullopt,
            0,
            {}};
}

FetchRequest commentById(const std::string& commentFullname) {
    return {"Comment", equals("idRawValue", commentFullname), {}, 1, 0, {}};
}

FetchRequest account() {
    return {"Account", {}, {}, 1, 0, {}};
}

FetchRequest sidebarSubreddits() {
    return {"Subreddit", {}, {{"name", true, true}}, std::nullopt, 0, {}};
}

}  // namespace Tavrin::Queries
