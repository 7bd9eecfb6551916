#pragma once

#include <string>

#include "Basalt/stream/Cancellable.h"
#include "Basalt/stream/Stream.h"
#include "Threadwork/client/http/AuthenticationInterceptor.h"

namespace Threadwork {

// Attaches bearer tokens and gets new ones from the token endpoint.
class OAuthAuthenticator final : public Http::Authenticator {
public:
    OAuthAuthenticator(std::string userAgent, std::string clientId, std::string tokenUrl);

    void applyCredential(const OAuthCredential& credential, Http::HttpRequest& request) override;
    void refreshCredential(const OAuthCredential& credential,
                           std::shared_ptr<Http::Session> session, Refreshed completion) override;

    // Every refreshed credential, on the main thread.
    Basalt::Stream<OAuthCredential> refreshedCredential() const { return refreshed_.stream(); }

private:
    std::string userAgent_;
    std::string clientId_;
    std::string tokenUrl_;
    Basalt::PassthroughSubject<OAuthCredential> refreshed_;
    Basalt::DisposeBag disposables_;
};

// "Basic " + Base64 of "<client id>:" (installed apps have no secret).
QByteArray basicAuthorization(const std::string& clientId);

}  // namespace Threadwork
