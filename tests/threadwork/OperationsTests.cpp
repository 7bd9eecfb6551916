#include "ClientFixture.h"
#include "Threadwork/client/testdata/TestData.h"

using namespace Threadwork;
using namespace ClientTesting;
using TestSupport::Reply;

namespace {

// A one-subreddit page with the given cursor.
Reply subredditPage(const std::string& name, const char* after) {
    std::string subreddit =
        R"({"kind": "t5", "data": {"created_utc": 1, "description": "", "display_name": ")" + name +
        R"(", "display_name_prefixed": "r/)" + name + R"(", "id": ")" + name +
        R"(", "name": "t5_)" + name +
        R"(", "public_description": "", "subscribers": 1, "title": "", "url": "/r/x/"}})";
    std::string cursor = after ? std::string("\"") + after + "\"" : "null";
    return Reply::json(
        200, QByteArray::fromStdString(R"({"kind": "Listing", "data": {"after": )" + cursor +
                                       R"(, "children": [)" + subreddit + "]}}"));
}

class Operations : public ClientTest {
protected:
    void SetUp() override { api->setCredential(credentialExpiringIn(1h)); }
};

TEST_F(Operations, AllSubredditsComeLastPageFirst) {
    service.on(
        "/subreddits/mine/subscriber",
        {subredditPage("a", "t5_a"), subredditPage("b", "t5_b"), subredditPage("c", nullptr)});
    auto all = await(api->fetchAllSubreddits());
    ASSERT_TRUE(all.ok()) << all.error().localizedDescription();
    std::vector<std::string> names;
    for (const auto& s : *all) names.push_back(s.display_name);
    EXPECT_EQ(names, (std::vector<std::string>{"c", "b", "a"}));
    auto requests = service.requests("/subreddits/mine/subscriber");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[0].query.hasQueryItem("after"));
    EXPECT_EQ(requests[1].query.queryItemValue("after"), "t5_a");
    EXPECT_EQ(requests[2].query.queryItemValue("after"), "t5_b");
}

TEST_F(Operations, AllSubredditsFailWithTheFirstFailedPage) {
    service.on("/subreddits/mine/subscriber",
               {subredditPage("a", "t5_a"), Reply::json(500, "{}"), subredditPage("c", nullptr)});
    auto all = await(api->fetchAllSubreddits());
    ASSERT_FALSE(all.ok());
    EXPECT_EQ(all.error().kind, RedditError::Kind::redditIsOnFire);
    TestSupport::spin(50ms);
    EXPECT_EQ(service.requests("/subreddits/mine/subscriber").size(), 2u);
}

TEST_F(Operations, AllSubredditsStopWhenTheServiceRepeatsACursor) {
    service.on("/subreddits/mine/subscriber",
               {subredditPage("a", "t5_a"), subredditPage("b", "t5_a")});
    auto all = await(api->fetchAllSubreddits());
    ASSERT_FALSE(all.ok());
    EXPECT_EQ(all.error().kind, RedditError::Kind::decode);
    EXPECT_EQ(service.requests("/subreddits/mine/subscriber").size(), 2u);
}

TEST_F(Operations, CommentsMoreCommentsAndSearch) {
    auto comments = await(api->fetchComments(*ThingId::fromRawValue("t3_17zz9x4")));
    ASSERT_TRUE(comments.ok()) << comments.error().localizedDescription();
    EXPECT_EQ(comments->comments.size(), 2u);
    EXPECT_EQ(service.requests().back().path, "/comments/17zz9x4");

    service.on("/api/morechildren",
               Reply::json(200, R"({"json": {"errors": [["TOO_MUCH", "x"]]}})"));
    auto more = await(
        api->fetchMoreComments(*ThingId::fromRawValue("t3_l"), {*ThingId::fromRawValue("t1_a")}));
    ASSERT_TRUE(more.ok());
    EXPECT_TRUE(more->empty());

    auto names = await(api->searchSubreddits("python", false, false, false, true));
    ASSERT_TRUE(names.ok());
    EXPECT_EQ(names->size(), 10u);
    service.on("/api/search_reddit_names", Reply::json(200, R"({"subreddits": []})"));
    auto missing = await(api->searchSubreddits("python", false, false, false, true));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, RedditError::Kind::decode);
}

TEST(TestDataMode, AnswersFromFixturesWithoutTheNetwork) {
    TestSupport::FakeService service;
    auto api = RedditApi::testData("ua", std::make_shared<InMemoryKeychain>(),
                                   {service.baseUrl(), service.baseUrl(), "id", "app.tavrin.Test"});
    std::optional<LinkPage> first;
    auto h1 =
        api->fetchFrontpageLinks(FrontpageCategory::home, FrontpageSortOrder::best, std::nullopt)
            .subscribe([&](LinkPage page) { first = std::move(page); }, nullptr);
    // Delivered at once, on the subscribing thread.
    ASSERT_TRUE(first);
    EXPECT_EQ(first->second.size(), testDataLinks().size());
    EXPECT_FALSE(first->first.after);
    for (const auto& link : first->second) EXPECT_FALSE(link.validate()) << link.id;

    std::optional<Comments> comments;
    auto h2 = api->fetchComments(testDataLinks()[3].name)
                  .subscribe([&](Comments c) { comments = c; }, nullptr);
    ASSERT_TRUE(comments);
    EXPECT_EQ(comments->link.id, testDataLinks()[3].id);
    EXPECT_TRUE(comments->comments.empty());

    std::optional<std::vector<Subreddit>> all;
    auto h3 = api->fetchAllSubreddits().subscribe([&](auto s) { all = s; }, nullptr);
    ASSERT_TRUE(all);
    EXPECT_TRUE(all->empty());
    std::optional<VoteResponse> vote;
    auto h4 = api->vote(testDataLinks()[0].name, VoteAction::upvote)
                  .subscribe([&](auto v) { vote = v; }, nullptr);
    ASSERT_TRUE(vote);
    EXPECT_FALSE(vote->success);
    EXPECT_TRUE(service.requests().empty());
}

}  // namespace
