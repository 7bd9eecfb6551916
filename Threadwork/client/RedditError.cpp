#include "Threadwork/client/RedditError.h"

#include <charconv>

namespace Threadwork {
namespace {

template <typename T>
std::optional<T> parseNumber(const QByteArray& text) {
    T value{};
    const char* begin = text.constData();
    const char* end = begin + text.size();
    auto [ptr, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || ptr != end) return std::nullopt;
    return value;
}

}  // namespace

std::optional<RateLimitInfo> RateLimitInfo::fromHeaders(const Http::HttpResponse& response) {
    auto remaining = response.header("x-ratelimit-remaining");
    auto used = response.header("x-ratelimit-used");
    auto reset = response.header("x-ratelimit-reset");
    if (!remaining || !used || !reset) return std::nullopt;
    auto r = parseNumber<float>(remaining->trimmed());
    auto u = parseNumber<std::int64_t>(used->trimmed());
    auto s = parseNumber<std::int64_t>(reset->trimmed());
    if (!r || !u || !s) return std::nullopt;
    return RateLimitInfo{*r, *u, *s};
}

std::string RateLimitInfo::description() const {
    char buffer[32];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, remaining).ptr;
    std::string text(buffer, end);
    if (text.find_first_of(".eE") == std::string::npos && text.find("inf") == std::string::npos &&
        text.find("nan") == std::string::npos) {
        text += ".0";
    }
    return "used " + std::to_string(used) + "; remaining " + text + "; reset in " +
           std::to_string(reset) + " seconds";
}

std::string RedditError::localizedDescription() const {
    switch (kind) {
        case Kind::decode:
            return "decode(" + (decodingError ? decodingError->description() : "") + ")";
        case Kind::network:
            return "network(" + (networkError ? networkError->description() : "") + ")";
        case Kind::rateLimit:
            return "rateLimit(endpoint: \"" + endpoint + "\", info: " +
                   (info ? "RateLimitInfo(" + info->description() + ")" : std::string("nil")) + ")";
        case Kind::redditIsOnFire:
            return "redditIsOnFire";
        case Kind::cancelled:
            return "cancelled";
    }
    return "unknown";
}

}  // namespace Threadwork
