#include <gtest/gtest.h>

#include <QRegularExpression>

#include "Threadwork/client/Endpoint.h"

using namespace Threadwork;
using Map = std::map<std::string, std::string>;

namespace {

ThingId id(const char* text) {
    return *ThingId::fromRawValue(text);
}

TEST(Endpoint, PathsParametersAndMethods) {
    struct Row {
        Endpoint endpoint;
        std::string path;
        Map parameters;
    };
    const std::vector<Row> rows{
        {Endpoint::FrontpageLinks{FrontpageCategory::home, FrontpageSortOrder::best, std::nullopt},
         "/best",
         {{"raw_json", "1"}}},
        {Endpoint::FrontpageLinks{FrontpageCategory::popularPosts, FrontpageSortOrder::hot,
                                  std::nullopt},
         "/r/popular/hot",
         {{"raw_json", "1"}}},
        {Endpoint::FrontpageLinks{FrontpageCategory::allPosts, FrontpageSortOrder::controversial,
                                  id("t3_z")},
         "/r/all/controversial",
         {{"raw_json", "1"}, {"after", "t3_z"}}},
        {Endpoint::SubredditLinks{"news", SubredditSortOrder::top, id("t3_abc")},
         "/r/news/top",
         {{"raw_json", "1"}, {"after", "t3_abc"}}},
        {Endpoint::Subreddits{std::nullopt}, "/subreddits/mine/subscriber", {{"raw_json", "1"}}},
        {Endpoint::Comments{id("t3_xyz")},
         "/comments/xyz",
         {{"raw_json", "1"},
          {"context", "0"},
          {"showedits", "false"},
          {"showmore", "true"},
          {"sort", "confidence"},
          {"threaded", "true"},
          {"truncate", "0"}}},
        {Endpoint::MoreComments{id("t3_xyz"), {}},
         "/api/morechildren",
         {{"raw_json", "1"},
          {"api_type", "json"},
          {"link_id", "t3_xyz"},
          {"limit_children", "false"},
          {"sort", "confidence"},
          {"children", ""}}},
        {Endpoint::MoreComments{id("t3_xyz"), {id("t1_a"), id("t1_b")}},
         "/api/morechildren",
         {{"raw_json", "1"},
          {"api_type", "json"},
          {"link_id", "t3_xyz"},
          {"limit_children", "false"},
          {"sort", "confidence"},
          {"children", "a,b"}}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.endpoint.path(), row.path);
        EXPECT_EQ(row.endpoint.parameters(), row.parameters) << row.path;
        EXPECT_EQ(row.endpoint.method(), "GET");
        EXPECT_TRUE(row.endpoint.headers().empty());
        EXPECT_FALSE(row.endpoint.body());
    }
}

TEST(Endpoint, VoteIsAFormPost) {
    Endpoint vote(Endpoint::Vote{id("t3_abc"), VoteAction::unvote});
    EXPECT_EQ(vote.method(), "POST");
    EXPECT_EQ(vote.path(), "/api/vote");
    EXPECT_TRUE(vote.parameters().empty());
    ASSERT_EQ(vote.headers().size(), 1u);
    EXPECT_EQ(vote.headers()[0].second, "application/x-www-form-urlencoded");
    QList<QByteArray> pairs = vote.body()->split('&');
    std::sort(pairs.begin(), pairs.end());
    EXPECT_EQ(pairs, (QList<QByteArray>{"dir=0", "id=t3_abc", "rank=2"}));
    EXPECT_TRUE(
        Endpoint(Endpoint::Vote{id("t3_abc"), VoteAction::downvote}).body()->contains("dir=-1"));
}

TEST(Endpoint, SearchSendsEveryFlagAndAFreshQueryId) {
    Endpoint search(Endpoint::SearchSubreddits{"pics", false, false, false, true});
    auto first = search.parameters();
    auto second = search.parameters();
    EXPECT_EQ(first["exact"], "false");
    EXPECT_EQ(first["include_over_18"], "false");
    EXPECT_EQ(first["include_unadvertisable"], "false");
    EXPECT_EQ(first["typeahead_active"], "true");
    EXPECT_EQ(first["query"], "pics");
    QRegularExpression uuid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    EXPECT_TRUE(uuid.match(QString::fromStdString(first["search_query_id"])).hasMatch());
    EXPECT_NE(first["search_query_id"], second["search_query_id"]);
}

TEST(Endpoint, UrlRequestJoinsBaseAndPath) {
    Endpoint popular(Endpoint::FrontpageLinks{FrontpageCategory::popularPosts,
                                              FrontpageSortOrder::hot, std::nullopt});
    auto request = popular.urlRequest("https://oauth.reddit.com");
    ASSERT_TRUE(request);
    EXPECT_EQ(request->url.toString(QUrl::FullyEncoded),
              "https://oauth.reddit.com/r/popular/hot?raw_json=1");
    EXPECT_EQ(request->timeout, std::chrono::seconds(60));
    Endpoint search(Endpoint::SearchSubreddits{"a&b=c+d", false, false, false, true});
    auto encoded = search.urlRequest("https://oauth.reddit.com");
    ASSERT_TRUE(encoded);
    EXPECT_TRUE(encoded->url.query(QUrl::FullyEncoded).contains("query=a%26b%3Dc%2Bd"));
    // A subreddit name that cannot stand in a path gives no request.
    EXPECT_FALSE(
        Endpoint(Endpoint::SubredditLinks{"bad name", SubredditSortOrder::hot, std::nullopt})
            .urlRequest("https://oauth.reddit.com"));
}

}  // namespace
