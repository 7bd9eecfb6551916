#include "Threadwork/client/http/HttpError.h"

namespace Threadwork::Http {

std::string HttpError::description() const {
    switch (kind) {
        case Kind::invalidURL:
            return "invalid URL: " + reason;
        case Kind::requestAdaptationFailed:
            return "request adaptation failed: " + reason +
                   (underlying ? " (" + underlying->description() + ")" : "");
        case Kind::unacceptableStatusCode:
            return "response status code was unacceptable: " + std::to_string(statusCode);
        case Kind::responseValidationFailed:
            return "response validation failed: " + reason;
        case Kind::explicitlyCancelled:
            return "request explicitly cancelled";
        case Kind::decodingFailed:
            return "response could not be decoded: " +
                   (decodingError ? decodingError->description() : std::string());
        case Kind::emptyBody:
            return "response body was empty";
        case Kind::sessionTaskFailed:
            return "session task failed: " + reason;
    }
    return "unknown error";
}

std::optional<std::string> HttpError::humanReadableDescription() const {
    switch (kind) {
        case Kind::requestAdaptationFailed:
            if (underlying) return underlying->humanReadableDescription();
            if (reason == missingCredentialReason) return "You are not signed in.";
            return "Signing in again is needed: the sign-in could not be renewed.";
        case Kind::unacceptableStatusCode:
            return "The server answered with status " + std::to_string(statusCode) + ".";
        case Kind::decodingFailed:
            return "The data couldn't be read because it isn't in the correct format.";
        case Kind::emptyBody:
            return "The server sent an empty answer.";
        case Kind::sessionTaskFailed:
            return reason;
        case Kind::explicitlyCancelled:
            return "The request was cancelled.";
        default:
            return std::nullopt;
    }
}

std::optional<QByteArray> HttpResponse::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return std::nullopt;
}

}  // namespace Threadwork::Http
