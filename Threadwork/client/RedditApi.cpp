#include "Threadwork/client/RedditApi.h"

#include <set>

#include "TavrinConfig.h"
#include "Threadwork/client/testdata/TestData.h"

namespace Threadwork {

using Http::HttpError;

namespace {

constexpr const char* credentialAccount = "credential";
constexpr const char* accessTokenPath = "/api/v1/access_token";

std::string utf8OrNil(const QByteArray& bytes) {
    std::string text = bytes.toStdString();
    return isValidUtf8(text) ? text : "<nil>";
}

std::string idOrNil(const std::optional<ThingId>& id) {
    return id ? id->rawValue() : "nil";
}

// Every feed of the test-data mode: the whole fixture list, and no further page.
ApiSingle<LinkPage> testDataFeed(std::optional<ThingId> after) {
    return ApiSingle<LinkPage>::deferred([after] {
        threadworkLog().debug("[testdata] fetching frontpage after '%{public}@'", idOrNil(after));
        return ApiSingle<LinkPage>::just({Pagination{}, testDataLinks()});
    });
}

}  // namespace

RedditApiConfiguration RedditApiConfiguration::compiled() {
    return {TavrinConfig::apiBaseUrl, TavrinConfig::webBaseUrl, TavrinConfig::clientId,
            TavrinConfig::bundleId};
}

RedditApi::RedditApi(std::string userAgent, std::shared_ptr<Keychain> keychain,
                     RedditApiConfiguration configuration, bool testData)
    : userAgent_(std::move(userAgent)),
      keychain_(std::move(keychain)),
      configuration_(std::move(configuration)),
      testData_(testData),
      session_(Http::Session::create()),
      authenticator_(std::make_shared<OAuthAuthenticator>(
          userAgent_, configuration_.clientId, configuration_.webBaseUrl + accessTokenPath)) {}

std::shared_ptr<RedditApi> RedditApi::make(std::string userAgent,
                                           std::shared_ptr<Keychain> keychain,
                                           RedditApiConfiguration configuration, bool testData) {
    std::shared_ptr<RedditApi> api(new RedditApi(std::move(userAgent), std::move(keychain),
                                                 std::move(configuration), testData));
    api->subscribeToRefreshes();
    return api;
}

std::shared_ptr<RedditApi> RedditApi::create(std::string userAgent,
                                             std::shared_ptr<Keychain> keychain,
                                             RedditApiConfiguration configuration) {
    return make(std::move(userAgent), std::move(keychain), std::move(configuration), false);
}

std::shared_ptr<RedditApi> RedditApi::shared(std::string userAgent,
                                             std::shared_ptr<Keychain> keychain,
                                             RedditApiConfiguration configuration) {
    return make(std::move(userAgent), std::move(keychain), std::move(configuration), false);
}

std::shared_ptr<RedditApi> RedditApi::testData(std::string userAgent,
                                               std::shared_ptr<Keychain> keychain,
                                               RedditApiConfiguration configuration) {
    return make(std::move(userAgent), std::move(keychain), std::move(configuration), true);
}

void RedditApi::subscribeToRefreshes() {
    // A refreshed credential is stored like a new one, on the main thread; the client is held
    // weakly.
    std::weak_ptr<RedditApi> weak = weak_from_this();
    authenticator_->refreshedCredential()
        .receiveOn(Basalt::Scheduler::main())
        .subscribe([weak](const OAuthCredential& credential) {
            if (auto api = weak.lock()) api->setCredential(credential);
        })
        .store(disposables_);
}

std::optional<OAuthCredential> RedditApi::credential() {
    std::lock_guard lock(lazyMutex_);
    if (!credentialLoaded_) {
        credential_ = loadCredentialFromKeychain();
        credentialLoaded_ = true;
    }
    return credential_;
}

bool RedditApi::isSignedIn() {
    return credential().has_value();
}

std::optional<OAuthCredential> RedditApi::loadCredentialFromKeychain() {
    auto data = keychain_->read(QString::fromStdString(configuration_.bundleId), credentialAccount);
    if (!data) {
        threadworkLog().debug("did not find credential in keychain");
        return std::nullopt;
    }
    auto decoded = Basalt::decode<OAuthCredential>(
        std::string_view(data->constData(), std::size_t(data->size())));
    if (!decoded) {
        threadworkLog().error(
            "failed to decode credential from keychain: %{public}@\nRaw data (%{public}@ "
            "bytes):\n%{private}@",
            decoded.error().description(), data->size(), utf8OrNil(*data));
        return std::nullopt;
    }
    threadworkLog().debug("fetched credential from keychain (expiring %{public}@)",
                          debugText(decoded->accessTokenExpiresAt));
    return decoded.value();
}

void RedditApi::saveCredentialToKeychain(const OAuthCredential& credential) {
    const std::string stored = Basalt::encode(credential);
    // A failed write is not the caller's problem: the credential still works for this session.
    keychain_->write(QString::fromStdString(configuration_.bundleId), credentialAccount,
                     QByteArray::fromStdString(stored));
    threadworkLog().debug("saved credential into keychain (expiring %{public}@)",
                          debugText(credential.accessTokenExpiresAt));
}

void RedditApi::setCredential(OAuthCredential credential) {
    {
        std::lock_guard lock(lazyMutex_);
        credential_ = credential;
        credentialLoaded_ = true;
    }
    saveCredentialToKeychain(credential);
    interceptor()->setCredential(std::move(credential));
}

std::shared_ptr<Http::AuthenticationInterceptor> RedditApi::interceptor() {
    auto current = credential();
    std::lock_guard lock(lazyMutex_);
    if (!interceptor_) {
        interceptor_ =
            std::make_shared<Http::AuthenticationInterceptor>(authenticator_, current, session_);
    }
    return interceptor_;
}

QUrl RedditApi::authUrl(const std::string& state, const std::string& redirectUrl,
                        const std::vector<OAuthScope>& scopes) const {
    QString scope;
    for (auto s : scopes) {
        if (!scope.isEmpty()) scope += ' ';
        scope += rawValue(s);
    }
    QUrl url(QString::fromStdString(configuration_.webBaseUrl + "/api/v1/authorize"));
    url.setQuery(QString::fromLatin1(Http::encodeQuery(
                     {{"client_id", QString::fromStdString(configuration_.clientId)},
                      {"response_type", "code"},
                      {"state", QString::fromStdString(state)},
                      {"redirect_uri", QString::fromStdString(redirectUrl)},
                      {"duration", "permanent"},
                      {"scope", scope}})),
                 QUrl::StrictMode);
    return url;
}

ApiSingle<OAuthCodeExchangeResponse> RedditApi::authExchangeCode(const std::string& code,
                                                                 const std::string& redirectUrl) {
    Http::HttpRequest request;
    request.url = QUrl(QString::fromStdString(configuration_.webBaseUrl + accessTokenPath));
    request.method = "POST";
    request.setHeader("Authorization", basicAuthorization(configuration_.clientId));
    request.setHeader("User-Agent", QByteArray::fromStdString(userAgent_));
    request.body = Http::encodeQuery({{"grant_type", "authorization_code"},
                                      {"code", QString::fromStdString(code)},
                                      {"redirect_uri", QString::fromStdString(redirectUrl)}});
    auto raw =
        session_->request(request).validate({200}).responseDecodable<OAuthCodeExchangeResponse>(
            Basalt::Scheduler::global());
    return settle<OAuthCodeExchangeResponse>(
        std::move(raw),
        [](Http::DataResponse<OAuthCodeExchangeResponse> response)
            -> Basalt::Result<OAuthCodeExchangeResponse, RedditError> {
            if (response.result) return std::move(response.result).value();
            return Basalt::fail(failedRequest(accessTokenPath, response.result.error()));
        });
}

std::optional<Http::HttpRequest> RedditApi::buildRequest(const Endpoint& endpoint) {
    auto request = endpoint.urlRequest(configuration_.apiBaseUrl);
    if (!request) {
        threadworkLog().error("Failed to make url for endpoint: %{public}@",
                              endpoint.description());
        return std::nullopt;
    }
    threadworkLog().debug("making request: %{public}@", request->url.toString(QUrl::FullyEncoded));
    request->setHeader("User-Agent", QByteArray::fromStdString(userAgent_));
    return request;
}

RedditError RedditApi::failedRequest(const std::string& path, const HttpError& error) {
    threadworkLog().error("request to %{public}@ failed.\nError: %{public}@", path,
                          error.humanReadableDescription().value_or(""));
    return error.kind == HttpError::Kind::decodingFailed ? RedditError::decode(*error.decodingError)
                                                         : RedditError::network(error);
}

RedditError RedditApi::mapTransportError(const std::string& path, const HttpError& error) {
    const auto& log = threadworkLog();
    switch (error.kind) {
        case HttpError::Kind::unacceptableStatusCode:
            if (error.statusCode == 500) {
                log.error(
                    "request to %{public}@ failed: Ooopsie reddit is down (response code 500)",
                    path);
                return RedditError::of(RedditError::Kind::redditIsOnFire);
            }
            log.error("request to %{public}@ failed: unexpected status code: %{public}@", path,
                      error.statusCode);
            return RedditError::network(error);
        case HttpError::Kind::responseValidationFailed:
            log.error("request to %{public}@ failed: response validation: %{public}@", path,
                      error.reason);
            return RedditError::network(error);
        case HttpError::Kind::explicitlyCancelled:
            return RedditError::of(RedditError::Kind::cancelled);
        case HttpError::Kind::decodingFailed:
            log.error("request to %{public}@ failed: Failed to decode model:\n%{public}@", path,
                      error.decodingError->description());
            return RedditError::decode(*error.decodingError);
        default:
            log.error("request to %{public}@ failed: %{public}@", path, error.description());
            return RedditError::network(error);
    }
}

ApiSingle<VoteResponse> RedditApi::performVote(const Endpoint& endpoint) {
    auto request = buildRequest(endpoint);
    if (!request) {
        return ApiSingle<VoteResponse>::failure(
            RedditError::network({HttpError::Kind::invalidURL,
                                  0,
                                  "Failed to make url for endpoint: " + endpoint.description(),
                                  {},
                                  {}}));
    }
    auto raw = session_->request(*request, interceptor())
                   .validate({200, 400})
                   .responseData(Basalt::Scheduler::main());
    const std::string path = endpoint.path();
    return settle<VoteResponse>(
        std::move(raw),
        [path](
            Http::DataResponse<QByteArray> response) -> Basalt::Result<VoteResponse, RedditError> {
            if (response.response) {
                if (auto info = RateLimitInfo::fromHeaders(*response.response)) {
                    threadworkLog().debug("rate limit: %{public}@", info->description());
                }
            }
            if (response.result && response.response) {
                return VoteResponse{response.response->statusCode == 200};
            }
            const HttpError error = response.result ? HttpError::of(HttpError::Kind::emptyBody)
                                                    : response.result.error();
            return Basalt::fail(failedRequest(path, error));
        });
}

template <typename Element>
std::pair<Pagination, std::vector<Element>> RedditApi::page(Listing<Element>&& listing) {
    Pagination pagination = listing.data.pagination();
    return {pagination, extractElements(std::move(listing.data.children))};
}

ApiSingle<LinkPage> RedditApi::fetchFrontpageLinks(FrontpageCategory category,
                                                   FrontpageSortOrder sort,
                                                   std::optional<ThingId> after) {
    if (testData_) return testDataFeed(after);
    return perform<Listing<Link>>(Endpoint::FrontpageLinks{category, sort, std::move(after)})
        .map([](Listing<Link> listing) { return page(std::move(listing)); });
}

ApiSingle<LinkPage> RedditApi::fetchLinks(const std::string& subreddit, SubredditSortOrder sort,
                                          std::optional<ThingId> after) {
    if (testData_) return testDataFeed(after);
    return perform<Listing<Link>>(Endpoint::SubredditLinks{subreddit, sort, std::move(after)})
        .map([](Listing<Link> listing) { return page(std::move(listing)); });
}

ApiSingle<SubredditPage> RedditApi::fetchSubreddits(std::optional<ThingId> after) {
    if (testData_) {
        return ApiSingle<SubredditPage>::deferred([after] {
            threadworkLog().debug("[testdata] fetching subreddits after '%{public}@'",
                                  idOrNil(after));
            return ApiSingle<SubredditPage>::just({Pagination{}, {}});
        });
    }
    return perform<Listing<Subreddit>>(Endpoint::Subreddits{std::move(after)})
        .map([](Listing<Subreddit> listing) { return page(std::move(listing)); });
}

// The pages received so far, and the cursors already followed.
struct SubredditPaging {
    std::vector<std::vector<Subreddit>> pages;
    std::set<std::string> cursors;
};

ApiSingle<std::vector<Subreddit>> RedditApi::fetchAllSubreddits() {
    return fetchAllSubreddits(std::nullopt, std::make_shared<SubredditPaging>());
}

ApiSingle<std::vector<Subreddit>> RedditApi::fetchAllSubreddits(
    std::optional<ThingId> after, std::shared_ptr<SubredditPaging> paging) {
    std::weak_ptr<RedditApi> weak = weak_from_this();
    return fetchSubreddits(std::move(after)).flatMap([weak, paging](SubredditPage page) {
        paging->pages.push_back(std::move(page.second));
        const auto& next = page.first.after;
        if (next) {
            // A service that hands out a cursor again would be paged forever.
            if (!paging->cursors.insert(next->rawValue()).second) {
                return ApiSingle<std::vector<Subreddit>>::failure(
                    RedditError::decode(Basalt::DecodingError::dataCorrupted(
                        {{},
                         "The subscribed subreddits repeat the page cursor '" + next->rawValue() +
                             "'",
                         nullptr})));
            }
            if (auto api = weak.lock()) return api->fetchAllSubreddits(next, paging);
            return ApiSingle<std::vector<Subreddit>>::failure(
                RedditError::of(RedditError::Kind::cancelled));
        }
        // The last page first, each page in its own order.
        std::vector<Subreddit> all;
        for (auto it = paging->pages.rbegin(); it != paging->pages.rend(); ++it) {
            all.insert(all.end(), std::make_move_iterator(it->begin()),
                       std::make_move_iterator(it->end()));
        }
        return ApiSingle<std::vector<Subreddit>>::just(std::move(all));
    });
}

ApiSingle<Comments> RedditApi::fetchComments(const ThingId& link) {
    if (testData_) {
        return ApiSingle<Comments>::deferred([link] {
            threadworkLog().debug("[testdata] fetching comments for link '%{public}@'",
                                  link.rawValue());
            Comments comments;
            for (const auto& fixture : testDataLinks()) {
                if (fixture.name.rawValue() == link.rawValue()) comments.link = fixture;
            }
            // An unknown post gets an empty link of that name rather than another post.
            if (comments.link.name.rawValue() != link.rawValue()) comments.link.name = link;
            return ApiSingle<Comments>::just(std::move(comments));
        });
    }
    return perform<Comments>(Endpoint::Comments{link});
}

ApiSingle<std::vector<Comment>> RedditApi::fetchMoreComments(const ThingId& link,
                                                             std::vector<ThingId> children) {
    if (testData_) {
        return ApiSingle<std::vector<Comment>>::deferred([link, children] {
            std::string names;
            for (const auto& child : children)
                names += (names.empty() ? "" : ",") + child.rawValue();
            threadworkLog().debug(
                "[testdata] fetching more comments for link '%{public}@': %{public}@",
                link.rawValue(), names);
            return ApiSingle<std::vector<Comment>>::just({});
        });
    }
    return perform<MoreComments>(Endpoint::MoreComments{link, std::move(children)})
        .map([](MoreComments more) { return more.comments(); });
}

ApiSingle<VoteResponse> RedditApi::vote(const ThingId& thing, VoteAction action) {
    if (testData_) return ApiSingle<VoteResponse>::just(VoteResponse{false});
    return performVote(Endpoint::Vote{thing, action});
}

ApiSingle<std::vector<std::string>> RedditApi::searchSubreddits(const std::string& query,
                                                                bool exact, bool includeOver18,
                                                                bool includeUnadvertisable,
                                                                bool typeahead) {
    if (testData_) return ApiSingle<std::vector<std::string>>::just({});
    return perform<SearchSubreddits>(Endpoint::SearchSubreddits{query, exact, includeOver18,
                                                                includeUnadvertisable, typeahead})
        .map([](SearchSubreddits answer) { return std::move(answer.names); });
}

}  // namespace Threadwork
