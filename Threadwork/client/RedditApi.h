#pragma once

#include <QUrl>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Basalt/stream/Cancellable.h"
#include "Basalt/stream/Single.h"
#include "Threadwork/ThreadworkLog.h"
#include "Threadwork/client/Endpoint.h"
#include "Threadwork/client/OAuthAuthenticator.h"
#include "Threadwork/client/OAuthCredential.h"
#include "Threadwork/client/RedditError.h"
#include "Threadwork/client/http/Session.h"
#include "Threadwork/client/keychain/Keychain.h"
#include "Threadwork/model/Comment.h"
#include "Threadwork/model/Subreddit.h"

namespace Threadwork {

// Service addresses and identifiers; compiled in, and pointed at a fake service by tests.
struct RedditApiConfiguration {
    std::string apiBaseUrl;  // OAuth API host, no path
    std::string webBaseUrl;  // authorisation page and token endpoint host
    std::string clientId;
    std::string bundleId;  // keychain service

    static RedditApiConfiguration compiled();
};

template <typename T>
using ApiSingle = Basalt::Single<T, RedditError>;

// An operation's outcome from the HTTP layer's: `handle` turns the response into a result.
// Cancelling the operation cancels the transfer.
template <typename R, typename T, typename F>
ApiSingle<R> settle(Basalt::Single<Http::DataResponse<T>, Basalt::Never> raw, F handle) {
    return ApiSingle<R>([raw, handle](typename ApiSingle<R>::Emitter emitter) {
        auto transfer = std::make_shared<Basalt::Cancellable>(raw.subscribe(
            [emitter, handle](Http::DataResponse<T> response) {
                emitter.deliver(handle(std::move(response)));
            },
            nullptr));
        emitter.onCancel([transfer] { transfer->cancel(); });
    });
}
using LinkPage = std::pair<Pagination, std::vector<Link>>;
using SubredditPage = std::pair<Pagination, std::vector<Subreddit>>;

// The client of the service's API: sign-in, the credential, and every operation.
class RedditApi : public std::enable_shared_from_this<RedditApi> {
public:
    static std::shared_ptr<RedditApi> create(
        std::string userAgent, std::shared_ptr<Keychain> keychain,
        RedditApiConfiguration configuration = RedditApiConfiguration::compiled());
    // A new client on every call; there is no cached instance.
    static std::shared_ptr<RedditApi> shared(
        std::string userAgent, std::shared_ptr<Keychain> keychain,
        RedditApiConfiguration configuration = RedditApiConfiguration::compiled());
    // Answers from built-in fixtures, without the network.
    static std::shared_ptr<RedditApi> testData(
        std::string userAgent, std::shared_ptr<Keychain> keychain,
        RedditApiConfiguration configuration = RedditApiConfiguration::compiled());

    // Sign-in and the credential.
    bool isSignedIn();
    void setCredential(OAuthCredential credential);
    QUrl authUrl(const std::string& state, const std::string& redirectUrl,
                 const std::vector<OAuthScope>& scopes) const;
    ApiSingle<OAuthCodeExchangeResponse> authExchangeCode(const std::string& code,
                                                          const std::string& redirectUrl);

    // Operations.
    ApiSingle<LinkPage> fetchFrontpageLinks(FrontpageCategory category, FrontpageSortOrder sort,
                                            std::optional<ThingId> after);
    ApiSingle<LinkPage> fetchLinks(const std::string& subreddit, SubredditSortOrder sort,
                                   std::optional<ThingId> after);
    ApiSingle<SubredditPage> fetchSubreddits(std::optional<ThingId> after);
    ApiSingle<std::vector<Subreddit>> fetchAllSubreddits();
    ApiSingle<Comments> fetchComments(const ThingId& link);
    ApiSingle<std::vector<Comment>> fetchMoreComments(const ThingId& link,
                                                      std::vector<ThingId> children);
    ApiSingle<VoteResponse> vote(const ThingId& thing, VoteAction action);
    ApiSingle<std::vector<std::string>> searchSubreddits(const std::string& query, bool exact,
                                                         bool includeOver18,
                                                         bool includeUnadvertisable,
                                                         bool typeahead);

    // The pipeline: build, send, accept 200 only, decode on the shared queue, map errors, check.
    template <typename T>
    ApiSingle<T> perform(const Endpoint& endpoint);
    // For votes: 200 and 400 accepted, nothing decoded, delivered on the main thread.
    ApiSingle<VoteResponse> performVote(const Endpoint& endpoint);

    const std::string& baseUrl() const { return configuration_.apiBaseUrl; }
    const std::string& userAgentString() const { return userAgent_; }
    const std::string& clientId() const { return configuration_.clientId; }
    bool isReturningTestData() const { return testData_; }
    std::optional<OAuthCredential> credential();

    // What each failure of the HTTP layer becomes, with its log line.
    static RedditError mapTransportError(const std::string& path, const Http::HttpError& error);
    // The same for votes and token requests: "request to <path> failed.\nError: ..." and
    // decode or network.
    static RedditError failedRequest(const std::string& path, const Http::HttpError& error);

private:
    RedditApi(std::string userAgent, std::shared_ptr<Keychain> keychain,
              RedditApiConfiguration configuration, bool testData);
    static std::shared_ptr<RedditApi> make(std::string userAgent,
                                           std::shared_ptr<Keychain> keychain,
                                           RedditApiConfiguration configuration, bool testData);
    void subscribeToRefreshes();

    std::optional<OAuthCredential> loadCredentialFromKeychain();
    void saveCredentialToKeychain(const OAuthCredential& credential);
    std::shared_ptr<Http::AuthenticationInterceptor> interceptor();
    std::optional<Http::HttpRequest> buildRequest(const Endpoint& endpoint);
    template <typename T>
    static Basalt::Result<T, RedditError> handleResponse(Http::DataResponse<T> response,
                                                         const std::string& path);
    template <typename T>
    static void validateAndLog(const T& value);
    template <typename Element>
    static std::pair<Pagination, std::vector<Element>> page(Listing<Element>&& listing);
    ApiSingle<std::vector<Subreddit>> fetchAllSubreddits(
        std::optional<ThingId> after, std::shared_ptr<struct SubredditPaging> paging);

    std::string userAgent_;
    std::shared_ptr<Keychain> keychain_;
    RedditApiConfiguration configuration_;
    bool testData_;
    std::shared_ptr<Http::Session> session_;
    std::shared_ptr<OAuthAuthenticator> authenticator_;

    std::mutex lazyMutex_;  // the lazy fields may be produced from several threads
    bool credentialLoaded_ = false;
    std::optional<OAuthCredential> credential_;
    std::shared_ptr<Http::AuthenticationInterceptor> interceptor_;

    Basalt::DisposeBag disposables_;
};

template <typename T>
void RedditApi::validateAndLog(const T& value) {
    if constexpr (requires { value.validate(); }) {
        if (auto error = value.validate()) {
            threadworkLog().info("model validation failed: %{public}@",
                                 error->localizedDescription());
        }
    }
}

template <typename T>
Basalt::Result<T, RedditError> RedditApi::handleResponse(Http::DataResponse<T> response,
                                                         const std::string& path) {
    std::optional<RateLimitInfo> info;
    if (response.response) {
        info = RateLimitInfo::fromHeaders(*response.response);
        if (info) threadworkLog().debug("rate limit: %{public}@", info->description());
        if (response.response->statusCode == 429)
            return Basalt::fail(RedditError::rateLimit(path, info));
    }
    if (response.result) return std::move(response.result).value();
    return Basalt::fail(mapTransportError(path, response.result.error()));
}

template <typename T>
ApiSingle<T> RedditApi::perform(const Endpoint& endpoint) {
    auto request = buildRequest(endpoint);
    if (!request) {
        return ApiSingle<T>::failure(
            RedditError::network({Http::HttpError::Kind::invalidURL,
                                  0,
                                  "Failed to make url for endpoint: " + endpoint.description(),
                                  {},
                                  {}}));
    }
    auto raw = session_->request(*request, interceptor())
                   .validate({200})
                   .template responseDecodable<T>(Basalt::Scheduler::global());
    const std::string path = endpoint.path();
    return settle<T>(std::move(raw), [path](Http::DataResponse<T> response) {
        auto outcome = handleResponse(std::move(response), path);
        if (outcome) validateAndLog(outcome.value());
        return outcome;
    });
}

}  // namespace Threadwork
