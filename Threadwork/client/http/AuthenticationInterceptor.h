#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "Threadwork/client/OAuthCredential.h"
#include "Threadwork/client/http/RequestInterceptor.h"

namespace Threadwork::Http {

class Session;

// What the interceptor needs of whoever knows the tokens.
class Authenticator {
public:
    using Refreshed = std::function<void(Basalt::Result<OAuthCredential, HttpError>)>;
    virtual ~Authenticator() = default;

    virtual void applyCredential(const OAuthCredential& credential, HttpRequest& request) = 0;
    // Starts getting a new credential and returns; the completion is called once, later.
    virtual void refreshCredential(const OAuthCredential& credential,
                                   std::shared_ptr<Session> session, Refreshed completion) = 0;
};

// Adds the bearer token to every request; when the credential is about to expire it holds the
// requests back, refreshes once, and sends them with the new token. At most five refreshes in
// any thirty seconds.
class AuthenticationInterceptor final
    : public RequestInterceptor,
      public std::enable_shared_from_this<AuthenticationInterceptor> {
public:
    using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

    AuthenticationInterceptor(
        std::shared_ptr<Authenticator> authenticator, std::optional<OAuthCredential> credential,
        std::shared_ptr<Session> session,
        MonotonicClock clock = [] { return std::chrono::steady_clock::now(); });

    void adapt(HttpRequest request, Adapted completion) override;

    std::optional<OAuthCredential> credential() const;
    void setCredential(OAuthCredential credential);

    static constexpr std::chrono::seconds refreshWindow{30};
    static constexpr int maximumRefreshesInWindow = 5;

private:
    struct Waiting {
        HttpRequest request;
        Adapted completion;
    };

    // Called with the lock held: gives back the requests to fail when the window is exhausted.
    std::optional<std::vector<Waiting>> startRefreshLocked();
    void refreshFinished(Basalt::Result<OAuthCredential, HttpError> outcome);

    std::shared_ptr<Authenticator> authenticator_;
    std::shared_ptr<Session> session_;
    MonotonicClock clock_;

    mutable std::mutex mutex_;
    std::optional<OAuthCredential> credential_;
    bool refreshing_ = false;
    std::vector<Waiting> waiting_;
    std::deque<std::chrono::steady_clock::time_point> refreshTimes_;
};

}  // namespace Threadwork::Http
