#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Basalt/json/DecodingError.h"
#include "Threadwork/client/http/HttpError.h"

namespace Threadwork {

// The x-ratelimit-* headers of a response.
struct RateLimitInfo {
    float remaining = 0;
    std::int64_t used = 0;
    std::int64_t reset = 0;

    // All three headers present and parsable, or nothing.
    static std::optional<RateLimitInfo> fromHeaders(const Http::HttpResponse& response);
    // "used 2; remaining 598.0; reset in 300 seconds"
    std::string description() const;
};

// The one error of every API operation.
struct RedditError {
    enum class Kind { decode, network, rateLimit, redditIsOnFire, cancelled };

    Kind kind;
    std::optional<Basalt::DecodingError> decodingError;  // decode
    std::optional<Http::HttpError> networkError;         // network
    std::string endpoint;                                // rateLimit
    std::optional<RateLimitInfo> info;                   // rateLimit

    static RedditError decode(Basalt::DecodingError error) {
        return {Kind::decode, std::move(error), {}, {}, {}};
    }
    static RedditError network(Http::HttpError error) {
        return {Kind::network, {}, std::move(error), {}, {}};
    }
    static RedditError rateLimit(std::string endpoint, std::optional<RateLimitInfo> info) {
        return {Kind::rateLimit, {}, {}, std::move(endpoint), info};
    }
    static RedditError of(Kind kind) { return {kind, {}, {}, {}, {}}; }

    // The case, then its payload: network(session task failed: ...), rateLimit(endpoint: "/best",
    // info: nil)
    std::string localizedDescription() const;
};

}  // namespace Threadwork
