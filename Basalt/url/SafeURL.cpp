#include "Basalt/url/SafeURL.h"

namespace Basalt {
namespace {

// QUrl's strict mode accepts characters outside ASCII, which may not stand in a URL.
std::optional<QUrl> parseStrictly(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() > 0x7F) return std::nullopt;
    }
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) return std::nullopt;
    return url;
}

}  // namespace

std::optional<QUrl> unsafeString(const QString& text) {
    if (auto url = parseStrictly(text)) return url;
    // A lone surrogate has no UTF-8 form: the text cannot be encoded.
    if (!text.isValidUtf16()) return std::nullopt;
    const QByteArray encoded = QUrl::toPercentEncoding(text, "!$&'()*+,;=:@/?");
    return parseStrictly(QString::fromLatin1(encoded));
}

SafeURL::SafeURL(QString rawValue)
    : rawValue_(std::move(rawValue)), url_(unsafeString(rawValue_)) {}

SafeURL SafeURL::decode(Decoder& decoder) {
    std::string text = decoder.decode<std::string>();
    if (decoder.failed()) return SafeURL();
    return SafeURL(QString::fromStdString(text));
}

JSON SafeURL::encode() const {
    return JSON(rawValue_.toStdString());
}

}  // namespace Basalt
