#include "ClientFixture.h"

using namespace Threadwork;
using namespace ClientTesting;
using TestSupport::Reply;

namespace {

class Pipeline : public ClientTest {
protected:
    void SetUp() override { api->setCredential(credentialExpiringIn(1h)); }
    Basalt::Result<LinkPage, RedditError> best() {
        return await(api->fetchFrontpageLinks(FrontpageCategory::home, FrontpageSortOrder::best,
                                              std::nullopt));
    }
};

TEST_F(Pipeline, MapsEachOutcomeWithItsLogLine) {
    Reply truncated = Reply::fixture("listing-best-02.json");
    truncated.mode = Reply::Mode::truncated;
    struct Row {
        const char* name;
        Reply reply;
        RedditError::Kind kind;
        std::string logLine;  // a prefix
    };
    const std::vector<Row> rows{
        {"notAListing", Reply::json(200, R"({"kind": "Listing"})"), RedditError::Kind::decode,
         "request to /best failed: Failed to decode model:\n"},
        {"500", Reply::fixture("error-500-01.json"), RedditError::Kind::redditIsOnFire,
         "request to /best failed: Ooopsie reddit is down (response code 500)"},
        {"503", Reply::json(503, ""), RedditError::Kind::network,
         "request to /best failed: unexpected status code: 503"},
        {"400", Reply::fixture("error-400-01.json"), RedditError::Kind::network,
         "request to /best failed: unexpected status code: 400"},
        {"emptyBody", Reply::json(200, ""), RedditError::Kind::network,
         "request to /best failed: "},
        {"truncated", truncated, RedditError::Kind::network,
         "request to /best failed: session task failed"},
    };
    for (const auto& row : rows) {
        capture.clear();
        service.on("/best", row.reply);
        auto outcome = best();
        ASSERT_FALSE(outcome.ok()) << row.name;
        EXPECT_EQ(outcome.error().kind, row.kind)
            << row.name << ": " << outcome.error().localizedDescription();
        EXPECT_TRUE(loggedStartingWith(row.logLine)) << row.name;
    }
}

TEST(MapTransportError, RowsThatNoServerAnswerReaches) {
    Basalt::LogCapture capture;
    auto cancelled = RedditApi::mapTransportError(
        "/best", Http::HttpError::of(Http::HttpError::Kind::explicitlyCancelled));
    EXPECT_EQ(cancelled.kind, RedditError::Kind::cancelled);
    EXPECT_TRUE(capture.lines().empty());
    Http::HttpError validation{
        Http::HttpError::Kind::responseValidationFailed, 0, "missing content type", {}, {}};
    auto invalid = RedditApi::mapTransportError("/best", validation);
    EXPECT_EQ(invalid.kind, RedditError::Kind::network);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0].message,
              "request to /best failed: response validation: missing content type");
    EXPECT_EQ(capture.lines()[0].level, QtCriticalMsg);
}

TEST_F(Pipeline, UnauthorizedIsNotRetried) {
    service.on("/best", Reply::fixture("error-401-01.json"));
    auto outcome = best();
    ASSERT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.error().kind, RedditError::Kind::network);
    EXPECT_EQ(service.requests("/best").size(), 1u);
    EXPECT_TRUE(service.requests("/api/v1/access_token").empty());
}

TEST_F(Pipeline, RateLimits) {
    service.on("/best", Reply::json(429, "{}")
                            .withHeader("x-ratelimit-used", "600")
                            .withHeader("x-ratelimit-remaining", "0")
                            .withHeader("x-ratelimit-reset", "42"));
    auto limited = best();
    ASSERT_FALSE(limited.ok());
    EXPECT_EQ(limited.error().kind, RedditError::Kind::rateLimit);
    EXPECT_EQ(limited.error().endpoint, "/best");
    ASSERT_TRUE(limited.error().info);
    EXPECT_EQ(limited.error().info->used, 600);
    EXPECT_EQ(limited.error().info->reset, 42);

    capture.clear();
    service.on("/best", Reply::json(429, "{}").withHeader("x-ratelimit-used", "600"));
    auto bare = best();
    ASSERT_FALSE(bare.ok());
    EXPECT_EQ(bare.error().kind, RedditError::Kind::rateLimit);
    EXPECT_FALSE(bare.error().info);
    EXPECT_FALSE(loggedStartingWith("rate limit: "));
    EXPECT_EQ(bare.error().localizedDescription(), R"(rateLimit(endpoint: "/best", info: nil))");
}

TEST_F(Pipeline, ReadsRateLimitHeadersOfSuccessfulAnswers) {
    for (auto [remaining, printed] : {std::pair{"600", "600.0"}, std::pair{"12.5", "12.5"}}) {
        capture.clear();
        service.on("/best", Reply::fixture("listing-best-02.json")
                                .withHeader("x-ratelimit-used", "10")
                                .withHeader("x-ratelimit-remaining", remaining)
                                .withHeader("x-ratelimit-reset", "100"));
        ASSERT_TRUE(best().ok());
        EXPECT_TRUE(logged(std::string("rate limit: used 10; remaining ") + printed +
                           "; reset in 100 seconds"));
    }
}

TEST_F(Pipeline, DeliversPagesAndLogsDroppedElements) {
    // Twenty-five children, the second one broken.
    auto document = Basalt::readJSON(TestSupport::fixture("listing-best-02.json")).value();
    std::string text = Basalt::writeJSON(document);
    auto at = text.find("\"is_self\":", text.find("\"children\""));
    at = text.find("\"is_self\":", at + 1);
    text.replace(at, 10, "\"is_selfX\":");
    service.on("/best", Reply::json(200, QByteArray::fromStdString(text)));
    auto page = best();
    ASSERT_TRUE(page.ok());
    EXPECT_EQ(page->second.size(), 24u);
    EXPECT_EQ(page->first.after->rawValue(), "t3_ikmxz9");
    EXPECT_TRUE(
        loggedStartingWith("Failed to decode one of the elements in the response: keyNotFound"));

    auto request = service.requests("/best").back();
    EXPECT_EQ(request.header("Authorization"), "Bearer old-access-token");
    EXPECT_EQ(request.header("User-Agent"), "linux:app.tavrin.Test:1.0 (build 1)");
    EXPECT_EQ(request.query.queryItemValue("raw_json"), "1");
}

TEST_F(Pipeline, ValidationFailuresOnlyLog) {
    std::string text =
        Basalt::writeJSON(Basalt::readJSON(TestSupport::fixture("listing-best-02.json")).value());
    auto at = text.find("\"after\":\"t3_");
    text.replace(at, 12, "\"after\":\"t1_");
    service.on("/best", Reply::json(200, QByteArray::fromStdString(text)));
    auto page = best();
    ASSERT_TRUE(page.ok());
    EXPECT_EQ(page->second.size(), 25u);
    EXPECT_TRUE(loggedStartingWith("model validation failed: inconsistency(context: \"best\""));
}

TEST_F(Pipeline, CancellingAbortsTheRequest) {
    service.on("/best", Reply::fixture("listing-best-02.json").parked());
    bool delivered = false;
    auto handle =
        api->fetchFrontpageLinks(FrontpageCategory::home, FrontpageSortOrder::best, std::nullopt)
            .subscribe([&](auto) { delivered = true; }, [&](auto) { delivered = true; });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return service.parkedCount() == 1; }));
    handle.cancel();
    EXPECT_TRUE(TestSupport::waitUntil([&] { return service.disconnectedParkedCount() == 1; }));
    TestSupport::spin(50ms);
    EXPECT_FALSE(delivered);
}

TEST_F(Pipeline, Votes) {
    struct Row {
        Reply reply;
        std::optional<bool> success;  // nothing: fails with network
    };
    for (auto& row :
         std::vector<Row>{{Reply::fixture("vote-01.json"), true},
                          {Reply::json(400, R"({"message": "Bad Request", "error": 400})"), false},
                          {Reply::json(429, "{}"), std::nullopt},
                          {Reply::json(500, "{}"), std::nullopt}}) {
        service.on("/api/vote", row.reply);
        auto outcome = await(api->vote(*ThingId::fromRawValue("t3_abc"), VoteAction::upvote));
        if (row.success) {
            ASSERT_TRUE(outcome.ok()) << outcome.error().localizedDescription();
            EXPECT_EQ(outcome->success, *row.success);
        } else {
            ASSERT_FALSE(outcome.ok());
            EXPECT_EQ(outcome.error().kind, RedditError::Kind::network);
        }
    }
    auto request = service.requests("/api/vote").front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_TRUE(request.body.contains("id=t3_abc"));
    EXPECT_TRUE(request.body.contains("dir=1"));
}

TEST(PipelineWithoutCredential, FailsAtOnceAndSendsNothing) {
    TestSupport::FakeService service;
    auto keychain = std::make_shared<InMemoryKeychain>();
    auto api = RedditApi::create("ua", keychain,
                                 {service.baseUrl(), service.baseUrl(), "id", "app.tavrin.Test"});
    std::optional<Basalt::Result<LinkPage, RedditError>> outcome;
    auto handle =
        api->fetchFrontpageLinks(FrontpageCategory::home, FrontpageSortOrder::best, std::nullopt)
            .subscribeResult([&](auto r) { outcome = std::move(r); });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return outcome.has_value(); }));
    ASSERT_FALSE(outcome->ok());
    EXPECT_EQ(outcome->error().kind, RedditError::Kind::network);
    TestSupport::spin(50ms);
    EXPECT_TRUE(service.requests().empty());
}

}  // namespace
