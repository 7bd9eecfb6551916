#pragma once

#include <QByteArray>
#include <QUrl>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

namespace Threadwork::Http {

// An HTTP request as a value.
struct HttpRequest {
    using Header = std::pair<QByteArray, QByteArray>;

    QUrl url;
    QByteArray method = "GET";
    std::vector<Header> headers;
    std::optional<QByteArray> body;
    std::chrono::milliseconds timeout = std::chrono::seconds(60);

    // Replaces any header of the same name (compared without regard to case).
    void setHeader(const QByteArray& name, const QByteArray& value);
    std::optional<QByteArray> header(const QByteArray& name) const;
};

// Percent-encodes text for a URL query component: "&", "=", "+" and "#" are encoded, ":" and "/"
// stay as they are.
QByteArray encodeQueryComponent(const QString& text);
// name=value pairs, encoded as above and joined with "&", in the given order.
QByteArray encodeQuery(const std::vector<std::pair<QString, QString>>& items);

}  // namespace Threadwork::Http
