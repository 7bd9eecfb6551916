#include "Threadwork/client/OAuthAuthenticator.h"

#include "Threadwork/ThreadworkLog.h"
#include "Threadwork/client/http/Session.h"

namespace Threadwork {

QByteArray basicAuthorization(const std::string& clientId) {
    return "Basic " + QByteArray::fromStdString(clientId + ":").toBase64();
}

OAuthAuthenticator::OAuthAuthenticator(std::string userAgent, std::string clientId,
                                       std::string tokenUrl)
    : userAgent_(std::move(userAgent)),
      clientId_(std::move(clientId)),
      tokenUrl_(std::move(tokenUrl)) {}

void OAuthAuthenticator::applyCredential(const OAuthCredential& credential,
                                         Http::HttpRequest& request) {
    request.setHeader("Authorization",
                      QByteArray::fromStdString("Bearer " + credential.accessToken));
}

void OAuthAuthenticator::refreshCredential(const OAuthCredential& credential,
                                           std::shared_ptr<Http::Session> session,
                                           Refreshed completion) {
    threadworkLog().debug("refreshing access token (expiring %{public}@)",
                          debugText(credential.accessTokenExpiresAt));
    Http::HttpRequest request;
    request.url = QUrl(QString::fromStdString(tokenUrl_));
    request.method = "POST";
    request.setHeader("User-Agent", QByteArray::fromStdString(userAgent_));
    request.setHeader("Authorization", basicAuthorization(clientId_));
    // The refresh token goes in as it is, as the service expects.
    request.body = QByteArray::fromStdString("grant_type=refresh_token&refresh_token=" +
                                             credential.refreshToken);
    const std::string refreshToken = credential.refreshToken;
    auto subject = refreshed_;
    session->request(request)
        .responseDecodable<OAuthRefreshResponse>(Basalt::Scheduler::main())
        .subscribe(
            [subject, refreshToken,
             completion](Http::DataResponse<OAuthRefreshResponse> response) mutable {
                if (!response.result) {
                    const auto& error = response.result.error();
                    threadworkLog().error("token refresh failed: %{public}@",
                                          error.humanReadableDescription().value_or("nil"));
                    completion(Basalt::fail(error));
                    return;
                }
                const auto& answer = response.result.value();
                OAuthCredential renewed{
                    answer.access_token,
                    OAuthCredential::Clock::now() + std::chrono::seconds(answer.expires_in),
                    refreshToken, answer.scope};
                threadworkLog().debug("token refresh succeeded (new one expiring %{public}@)",
                                      debugText(renewed.accessTokenExpiresAt));
                subject.send(renewed);
                completion(renewed);
            },
            nullptr)
        .store(disposables_);
}

}  // namespace Threadwork
