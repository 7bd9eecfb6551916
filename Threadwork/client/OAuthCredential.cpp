#include "Threadwork/client/OAuthCredential.h"

#include <QDateTime>
#include <QTimeZone>

namespace Threadwork {
namespace {

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
constexpr double referenceDateOffset = 978307200.0;

double secondsSinceReferenceDate(OAuthCredential::Clock::time_point time) {
    using namespace std::chrono;
    return duration<double>(time.time_since_epoch()).count() - referenceDateOffset;
}

OAuthCredential::Clock::time_point fromSecondsSinceReferenceDate(double seconds) {
    using namespace std::chrono;
    return OAuthCredential::Clock::time_point(duration_cast<OAuthCredential::Clock::duration>(
        duration<double>(seconds + referenceDateOffset)));
}

}  // namespace

const char* rawValue(OAuthScope scope) {
    switch (scope) {
        case OAuthScope::identity:
            return "identity";
        case OAuthScope::read:
            return "read";
        case OAuthScope::mysubreddits:
            return "mysubreddits";
        case OAuthScope::vote:
            return "vote";
    }
    return "";
}

std::optional<OAuthScope> oauthScopeFromRawValue(std::string_view text) {
    for (auto scope :
         {OAuthScope::identity, OAuthScope::read, OAuthScope::mysubreddits, OAuthScope::vote}) {
        if (text == rawValue(scope)) return scope;
    }
    return std::nullopt;
}

OAuthCodeExchangeResponse OAuthCodeExchangeResponse::decode(Basalt::Decoder& decoder) {
    auto c = decoder.keyedContainer();
    OAuthCodeExchangeResponse r;
    r.access_token = c.decode<std::string>("access_token");
    r.refresh_token = c.decode<std::string>("refresh_token");
    r.token_type = c.decode<std::string>("token_type");
    r.expires_in = c.decode<std::int64_t>("expires_in");
    r.scope = c.decode<std::string>("scope");
    return r;
}

OAuthRefreshResponse OAuthRefreshResponse::decode(Basalt::Decoder& decoder) {
    auto c = decoder.keyedContainer();
    OAuthRefreshResponse r;
    r.access_token = c.decode<std::string>("access_token");
    r.token_type = c.decode<std::string>("token_type");
    r.expires_in = c.decode<std::int64_t>("expires_in");
    r.scope = c.decode<std::string>("scope");
    return r;
}

OAuthCredential OAuthCredential::fromCodeExchange(const OAuthCodeExchangeResponse& response,
                                                  Clock::time_point now) {
    return {response.access_token, now + std::chrono::seconds(response.expires_in),
            response.refresh_token, response.scope};
}

OAuthCredential OAuthCredential::decode(Basalt::Decoder& decoder) {
    auto c = decoder.keyedContainer();
    OAuthCredential credential;
    credential.accessToken = c.decode<std::string>("accessToken");
    credential.accessTokenExpiresAt =
        fromSecondsSinceReferenceDate(c.decode<double>("accessTokenExpiresAt"));
    credential.refreshToken = c.decode<std::string>("refreshToken");
    credential.scope = c.decode<std::string>("scope");
    return credential;
}

Basalt::JSON OAuthCredential::encode() const {
    Basalt::JSONObject object;
    object.set("accessToken", Basalt::JSON(accessToken));
    object.set("accessTokenExpiresAt",
               Basalt::toJSON(secondsSinceReferenceDate(accessTokenExpiresAt)));
    object.set("refreshToken", Basalt::JSON(refreshToken));
    object.set("scope", Basalt::JSON(scope));
    return Basalt::JSON(std::move(object));
}

std::string debugText(OAuthCredential::Clock::time_point time) {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc())
        .toString("yyyy-MM-dd HH:mm:ss +0000")
        .toStdString();
}

}  // namespace Threadwork
