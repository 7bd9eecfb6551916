#pragma once

#include <QByteArray>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Basalt/json/DecodingError.h"

namespace Threadwork::Http {

// What can go wrong with a request, told apart as the callers need it.
struct HttpError {
    enum class Kind {
        invalidURL,                // no address could be formed
        requestAdaptationFailed,   // the interceptor refused the request (see adaptation)
        unacceptableStatusCode,    // statusCode
        responseValidationFailed,  // any other validation failure (reason)
        explicitlyCancelled,       // the subscriber cancelled
        decodingFailed,            // the body did not decode (decodingError)
        emptyBody,                 // a 200 without bytes
        sessionTaskFailed,         // transport failure: refused, reset, timed out... (reason)
    };

    Kind kind;
    int statusCode = 0;
    std::string reason;
    std::optional<Basalt::DecodingError> decodingError;
    // For requestAdaptationFailed: what refused it, when it was itself an error (a failed refresh).
    std::shared_ptr<const HttpError> underlying;

    static HttpError adaptation(std::string reason,
                                std::shared_ptr<const HttpError> cause = nullptr) {
        return {Kind::requestAdaptationFailed, 0, std::move(reason), std::nullopt,
                std::move(cause)};
    }
    static HttpError status(int code) { return {Kind::unacceptableStatusCode, code, {}, {}, {}}; }
    static HttpError transport(std::string reason) {
        return {Kind::sessionTaskFailed, 0, std::move(reason), {}, {}};
    }
    static HttpError decoding(Basalt::DecodingError error) {
        return {Kind::decodingFailed, 0, {}, std::move(error), {}};
    }
    static HttpError of(Kind kind) { return {kind, 0, {}, {}, {}}; }

    // Technical text for logs.
    std::string description() const;
    // A sentence for people, where there is one.
    std::optional<std::string> humanReadableDescription() const;
};

// The missing-credential and excessive-refresh refusals of the authentication interceptor.
inline constexpr const char* missingCredentialReason = "missing credential";
inline constexpr const char* excessiveRefreshReason = "excessive refresh";

// An HTTP response's status and header fields.
struct HttpResponse {
    int statusCode = 0;
    std::vector<std::pair<QByteArray, QByteArray>> headers;

    // Header names compare without regard to case.
    std::optional<QByteArray> header(const QByteArray& name) const;
};

}  // namespace Threadwork::Http
