#include <QUrlQuery>

#include "ClientFixture.h"

using namespace Threadwork;
using namespace ClientTesting;
using TestSupport::Reply;

namespace {

using SignIn = ClientTest;

TEST_F(SignIn, AuthorisationAddress) {
    QUrl url = api->authUrl(
        "abc", "tavrin://auth/callback",
        {OAuthScope::identity, OAuthScope::read, OAuthScope::mysubreddits, OAuthScope::vote});
    EXPECT_EQ(url.path(), "/api/v1/authorize");
    EXPECT_EQ(
        url.query(QUrl::FullyEncoded),
        "client_id=testclientid00&response_type=code&state=abc&redirect_uri=tavrin://auth/callback"
        "&duration=permanent&scope=identity%20read%20mysubreddits%20vote");
    EXPECT_TRUE(api->authUrl("s", "r", {}).query(QUrl::FullyEncoded).endsWith("scope="));
}

TEST_F(SignIn, ExchangesTheCode) {
    auto answer = await(api->authExchangeCode("the code", "tavrin://auth/callback"));
    ASSERT_TRUE(answer.ok()) << answer.error().localizedDescription();
    EXPECT_EQ(answer->refresh_token, "<REFRESH_TOKEN>");
    auto request = service.requests("/api/v1/access_token").front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.body,
              "grant_type=authorization_code&code=the%20code&redirect_uri=tavrin://auth/callback");
    EXPECT_EQ(request.header("Authorization"), "Basic " + QByteArray("testclientid00:").toBase64());
    EXPECT_TRUE(request.header("Content-Type").isEmpty());

    auto credential = OAuthCredential::fromCodeExchange(*answer);
    EXPECT_EQ(credential.refreshToken, "<REFRESH_TOKEN>");
    EXPECT_FALSE(credential.requiresRefresh());
}

TEST_F(SignIn, AnAnswerWithoutRefreshTokenIsADecodingError) {
    service.on(
        "/api/v1/access_token",
        Reply::json(
            200,
            R"({"access_token": "a", "token_type": "bearer", "expires_in": 3600, "scope": "read"})"));
    auto answer = await(api->authExchangeCode("c", "tavrin://auth/callback"));
    ASSERT_FALSE(answer.ok());
    EXPECT_EQ(answer.error().kind, RedditError::Kind::decode);
    EXPECT_TRUE(loggedStartingWith("request to /api/v1/access_token failed.\nError: "));
}

TEST_F(SignIn, RefreshIsNeededWithinFiveMinutes) {
    EXPECT_FALSE(credentialExpiringIn(301s).requiresRefresh());
    EXPECT_TRUE(credentialExpiringIn(299s).requiresRefresh());
}

TEST_F(SignIn, TheCredentialIsKeptInTheKeychain) {
    EXPECT_FALSE(api->isSignedIn());
    EXPECT_FALSE(api->isSignedIn());
    int notFound = 0;
    for (const auto& line : capture.lines())
        notFound += line.message == "did not find credential in keychain";
    EXPECT_EQ(notFound, 1);

    auto credential = credentialExpiringIn(2h);
    api->setCredential(credential);
    EXPECT_TRUE(api->isSignedIn());
    auto stored = makeClient()->credential();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->accessToken, credential.accessToken);
    EXPECT_EQ(stored->refreshToken, credential.refreshToken);
    EXPECT_EQ(stored->scope, credential.scope);
    EXPECT_LT(std::chrono::abs(stored->accessTokenExpiresAt - credential.accessTokenExpiresAt),
              1ms);
    EXPECT_TRUE(loggedStartingWith("fetched credential from keychain (expiring "));
}

TEST_F(SignIn, AnUndecodableItemMeansSignedOut) {
    keychain->write("app.tavrin.Test", "credential", "not json at all");
    auto client = makeClient();
    EXPECT_FALSE(client->isSignedIn());
    bool found = false;
    for (const auto& line : capture.lines()) {
        if (line.message.rfind("failed to decode credential from keychain: ", 0) != 0) continue;
        found = true;
        EXPECT_EQ(line.level, QtCriticalMsg);
        // The raw bytes are counted but never shown.
        EXPECT_TRUE(line.message.ends_with("\nRaw data (15 bytes):\n<private>")) << line.message;
    }
    EXPECT_TRUE(found);
    for (const auto& line : capture.lines())
        EXPECT_EQ(line.message.find("not json at all"), std::string::npos);
    // The bad item stays until a new credential replaces it.
    EXPECT_EQ(keychain->read("app.tavrin.Test", "credential"), "not json at all");
}

}  // namespace
