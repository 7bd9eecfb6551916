#include "Threadwork/client/http/AuthenticationInterceptor.h"

namespace Threadwork::Http {

AuthenticationInterceptor::AuthenticationInterceptor(std::shared_ptr<Authenticator> authenticator,
                                                     std::optional<OAuthCredential> credential,
                                                     std::shared_ptr<Session> session,
                                                     MonotonicClock clock)
    : authenticator_(std::move(authenticator)),
      session_(std::move(session)),
      clock_(std::move(clock)),
      credential_(std::move(credential)) {}

std::optional<OAuthCredential> AuthenticationInterceptor::credential() const {
    std::lock_guard lock(mutex_);
    return credential_;
}

void AuthenticationInterceptor::setCredential(OAuthCredential credential) {
    std::lock_guard lock(mutex_);
    credential_ = std::move(credential);
}

void AuthenticationInterceptor::adapt(HttpRequest request, Adapted completion) {
    std::unique_lock lock(mutex_);
    if (refreshing_) {
        waiting_.push_back({std::move(request), std::move(completion)});
        return;
    }
    if (!credential_) {
        lock.unlock();
        completion(Basalt::fail(HttpError::adaptation(missingCredentialReason)));
        return;
    }
    if (credential_->requiresRefresh()) {
        waiting_.push_back({std::move(request), std::move(completion)});
        auto refused = startRefreshLocked();
        const OAuthCredential current = *credential_;
        lock.unlock();
        if (refused) {
            for (auto& w : *refused) {
                w.completion(Basalt::fail(HttpError::adaptation(excessiveRefreshReason)));
            }
            return;
        }
        // Outside the lock: an authenticator that completes at once must not deadlock.
        std::weak_ptr<AuthenticationInterceptor> weak = weak_from_this();
        authenticator_->refreshCredential(current, session_,
                                          [weak](Basalt::Result<OAuthCredential, HttpError> r) {
                                              if (auto self = weak.lock())
                                                  self->refreshFinished(std::move(r));
                                          });
        return;
    }
    authenticator_->applyCredential(*credential_, request);
    lock.unlock();
    completion(std::move(request));
}

std::optional<std::vector<AuthenticationInterceptor::Waiting>>
AuthenticationInterceptor::startRefreshLocked() {
    const auto now = clock_();
    while (!refreshTimes_.empty() && now - refreshTimes_.front() > refreshWindow)
        refreshTimes_.pop_front();
    if (int(refreshTimes_.size()) >= maximumRefreshesInWindow) {
        std::vector<Waiting> refused;
        refused.swap(waiting_);
        return refused;
    }
    refreshTimes_.push_back(now);
    refreshing_ = true;
    return std::nullopt;
}

void AuthenticationInterceptor::refreshFinished(
    Basalt::Result<OAuthCredential, HttpError> outcome) {
    std::vector<Waiting> waiting;
    {
        std::lock_guard lock(mutex_);
        refreshing_ = false;
        if (outcome) credential_ = outcome.value();
        waiting.swap(waiting_);
    }
    if (!outcome) {
        auto cause = std::make_shared<const HttpError>(outcome.error());
        for (auto& w : waiting)
            w.completion(Basalt::fail(HttpError::adaptation("token refresh failed", cause)));
        return;
    }
    // Adapted again from the start, in the order they arrived.
    for (auto& w : waiting) adapt(std::move(w.request), std::move(w.completion));
}

}  // namespace Threadwork::Http
