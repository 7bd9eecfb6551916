#include "ClientFixture.h"

using namespace Threadwork;
using namespace ClientTesting;
using TestSupport::Reply;

namespace {

Reply tokenAnswer(const char* accessToken, int expiresIn) {
    return Reply::json(200, QByteArray(R"({"access_token": ")") + accessToken +
                                R"(", "token_type": "bearer", "expires_in": )" +
                                QByteArray::number(expiresIn) + R"(, "scope": "read vote"})");
}

class Refresh : public ClientTest {
protected:
    ApiSingle<LinkPage> best() {
        return api->fetchFrontpageLinks(FrontpageCategory::home, FrontpageSortOrder::best,
                                        std::nullopt);
    }
};

TEST_F(Refresh, TwoRequestsShareOneRefreshAndCarryTheNewToken) {
    api->setCredential(credentialExpiringIn(100s));
    service.on("/api/v1/access_token", tokenAnswer("new-access-token", 3600));
    std::optional<Basalt::Result<LinkPage, RedditError>> first, second;
    auto a = best().subscribeResult([&](auto r) { first = std::move(r); });
    auto b = best().subscribeResult([&](auto r) { second = std::move(r); });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return first && second; }));
    EXPECT_TRUE(first->ok());
    EXPECT_TRUE(second->ok());
    auto tokenRequests = service.requests("/api/v1/access_token");
    ASSERT_EQ(tokenRequests.size(), 1u);
    EXPECT_EQ(tokenRequests[0].body, "grant_type=refresh_token&refresh_token=the-refresh-token");
    EXPECT_EQ(tokenRequests[0].header("Authorization"),
              "Basic " + QByteArray("testclientid00:").toBase64());
    auto sent = service.requests("/best");
    ASSERT_EQ(sent.size(), 2u);
    for (const auto& request : sent)
        EXPECT_EQ(request.header("Authorization"), "Bearer new-access-token");

    // The refreshed credential was stored: a new client finds it, with the old refresh token.
    ASSERT_TRUE(TestSupport::waitUntil([&] {
        auto stored = makeClient()->credential();
        return stored && stored->accessToken == "new-access-token";
    }));
    auto stored = makeClient()->credential();
    EXPECT_EQ(stored->refreshToken, "the-refresh-token");
    EXPECT_EQ(stored->scope, "read vote");
    EXPECT_FALSE(stored->requiresRefresh());
}

TEST_F(Refresh, AFreshCredentialIsUsedAsItIs) {
    api->setCredential(credentialExpiringIn(10min));
    ASSERT_TRUE(await(best()).ok());
    EXPECT_TRUE(service.requests("/api/v1/access_token").empty());
    EXPECT_EQ(service.requests("/best").front().header("Authorization"), "Bearer old-access-token");
}

TEST_F(Refresh, AFailedRefreshFailsTheWaitingRequests) {
    api->setCredential(credentialExpiringIn(100s));
    service.on("/api/v1/access_token", Reply::fixture("token-refresh-error-01.json"));
    std::optional<Basalt::Result<LinkPage, RedditError>> first, second;
    auto a = best().subscribeResult([&](auto r) { first = std::move(r); });
    auto b = best().subscribeResult([&](auto r) { second = std::move(r); });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return first && second; }));
    for (auto* outcome : {&first, &second}) {
        ASSERT_FALSE((*outcome)->ok());
        EXPECT_EQ((*outcome)->error().kind, RedditError::Kind::network);
    }
    EXPECT_TRUE(loggedStartingWith("token refresh failed: "));
    EXPECT_TRUE(service.requests("/best").empty());
    // The stored credential is untouched.
    EXPECT_EQ(makeClient()->credential()->accessToken, "old-access-token");
}

TEST_F(Refresh, AtMostFiveRefreshesInThirtySeconds) {
    // Every new token again expires within 300 seconds, so each one asks for another.
    api->setCredential(credentialExpiringIn(100s));
    service.on("/api/v1/access_token", tokenAnswer("short-lived", 100));
    auto outcome = await(best());
    ASSERT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.error().kind, RedditError::Kind::network);
    EXPECT_EQ(service.requests("/api/v1/access_token").size(), 5u);
    EXPECT_TRUE(service.requests("/best").empty());
    // The sixth attempt fails at once, without a request.
    auto again = await(best());
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(service.requests("/api/v1/access_token").size(), 5u);
}

TEST_F(Refresh, TokensNeverAppearInTheLog) {
    api->setCredential(credentialExpiringIn(100s, "secret-access-token"));
    service.on("/api/v1/access_token", tokenAnswer("secret-new-token", 3600));
    ASSERT_TRUE(await(best()).ok());
    keychain->write("app.tavrin.Test", "credential", "{\"accessToken\": \"secret-access-token\"}");
    EXPECT_FALSE(makeClient()->isSignedIn());
    for (const auto& line : capture.lines()) {
        for (const char* secret :
             {"secret-access-token", "secret-new-token", "the-refresh-token"}) {
            EXPECT_EQ(line.message.find(secret), std::string::npos) << line.message;
        }
    }
}

}  // namespace
