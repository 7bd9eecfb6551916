#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "Basalt/log/LogCapture.h"
#include "Threadwork/client/RedditApi.h"
#include "support/EventLoop.h"
#include "support/FakeService.h"
#include "support/Fixtures.h"

namespace ClientTesting {

using namespace std::chrono_literals;

inline Threadwork::OAuthCredential credentialExpiringIn(
    std::chrono::seconds lifetime, std::string accessToken = "old-access-token") {
    return {std::move(accessToken), Threadwork::OAuthCredential::Clock::now() + lifetime,
            "the-refresh-token", "identity read mysubreddits vote"};
}

// A client against the fake service, with an in-memory keychain and the log captured.
class ClientTest : public ::testing::Test {
protected:
    Threadwork::RedditApiConfiguration configuration() const {
        return {service.baseUrl(), service.baseUrl(), "testclientid00", "app.tavrin.Test"};
    }
    std::shared_ptr<Threadwork::RedditApi> makeClient() {
        return Threadwork::RedditApi::create("linux:app.tavrin.Test:1.0 (build 1)", keychain,
                                             configuration());
    }

    template <typename T>
    Basalt::Result<T, Threadwork::RedditError> await(Threadwork::ApiSingle<T> single,
                                                     std::chrono::milliseconds limit = 10s) {
        std::optional<Basalt::Result<T, Threadwork::RedditError>> outcome;
        auto handle = single.subscribeResult(
            [&](Basalt::Result<T, Threadwork::RedditError> r) { outcome = std::move(r); });
        EXPECT_TRUE(TestSupport::waitUntil([&] { return outcome.has_value(); }, limit))
            << "no outcome";
        if (!outcome)
            return Basalt::fail(
                Threadwork::RedditError::of(Threadwork::RedditError::Kind::cancelled));
        return std::move(*outcome);
    }

    std::vector<std::string> threadworkLines() const {
        return capture.messages("app.tavrin.Tavrin.Threadwork");
    }
    bool logged(const std::string& line) const {
        for (const auto& l : capture.lines()) {
            if (l.message == line) return true;
        }
        return false;
    }
    bool loggedStartingWith(const std::string& prefix) const {
        for (const auto& l : capture.lines()) {
            if (l.message.rfind(prefix, 0) == 0) return true;
        }
        return false;
    }

    Basalt::LogCapture capture;
    TestSupport::FakeService service;
    std::shared_ptr<Threadwork::InMemoryKeychain> keychain =
        std::make_shared<Threadwork::InMemoryKeychain>();
    std::shared_ptr<Threadwork::RedditApi> api = makeClient();
};

}  // namespace ClientTesting
