#pragma once

#include <QByteArray>
#include <chrono>
#include <optional>
#include <string>

#include "Basalt/json/Coding.h"

namespace Threadwork {

enum class OAuthScope { identity, read, mysubreddits, vote };

const char* rawValue(OAuthScope scope);
std::optional<OAuthScope> oauthScopeFromRawValue(std::string_view text);

// The token endpoint's answer to a code exchange.
struct OAuthCodeExchangeResponse {
    static constexpr const char* typeName = "OAuthCodeExchangeResponse";
    std::string access_token;
    std::string refresh_token;
    std::string token_type;
    std::int64_t expires_in = 0;
    std::string scope;
    static OAuthCodeExchangeResponse decode(Basalt::Decoder& decoder);
};

// The token endpoint's answer to a refresh.
struct OAuthRefreshResponse {
    static constexpr const char* typeName = "OAuthRefreshResponse";
    std::string access_token;
    std::string token_type;
    std::int64_t expires_in = 0;
    std::string scope;
    static OAuthRefreshResponse decode(Basalt::Decoder& decoder);
};

struct OAuthCredential {
    using Clock = std::chrono::system_clock;
    static constexpr const char* typeName = "OAuthCredential";

    std::string accessToken;
    Clock::time_point accessTokenExpiresAt;
    std::string refreshToken;
    std::string scope;

    static OAuthCredential fromCodeExchange(const OAuthCodeExchangeResponse& response,
                                            Clock::time_point now = Clock::now());

    // True when the token expires within the next 300 seconds.
    bool requiresRefresh(Clock::time_point now = Clock::now()) const {
        return now + std::chrono::seconds(300) > accessTokenExpiresAt;
    }

    // The stored form: JSON with accessToken, refreshToken, scope and accessTokenExpiresAt
    // (seconds since 2001-01-01 00:00:00 UTC).
    static OAuthCredential decode(Basalt::Decoder& decoder);
    Basalt::JSON encode() const;
};

// "2026-12-11 08:00:00 +0000": how expiry times appear in log lines.
std::string debugText(OAuthCredential::Clock::time_point time);

}  // namespace Threadwork
