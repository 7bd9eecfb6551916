#pragma once

#include <QString>
#include <QUrl>
#include <optional>
#include <string>

#include "Basalt/json/Coding.h"

namespace Basalt {

// The tolerant parse: the text as a URL if it parses strictly, else its percent-encoded form
// (query-allowed set) if that parses strictly, else nothing.
std::optional<QUrl> unsafeString(const QString& text);

// URL text as received, with the address it yields under the tolerant parse.
class SafeURL {
public:
    static constexpr const char* typeName = "SafeURL";

    SafeURL() : SafeURL(QString()) {}
    explicit SafeURL(QString rawValue);
    // Never fails; optional only as raw-value constructors are.
    static std::optional<SafeURL> fromRawValue(const QString& rawValue) {
        return SafeURL(rawValue);
    }

    const QString& rawValue() const { return rawValue_; }
    const std::optional<QUrl>& url() const { return url_; }

    static SafeURL decode(Decoder& decoder);
    JSON encode() const;

private:
    QString rawValue_;
    std::optional<QUrl> url_;
};

}  // namespace Basalt
