#include "Threadwork/client/http/HttpRequest.h"

#include <algorithm>

namespace Threadwork::Http {

void HttpRequest::setHeader(const QByteArray& name, const QByteArray& value) {
    std::erase_if(headers,
                  [&](const Header& h) { return h.first.compare(name, Qt::CaseInsensitive) == 0; });
    headers.emplace_back(name, value);
}

std::optional<QByteArray> HttpRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return std::nullopt;
}

QByteArray encodeQueryComponent(const QString& text) {
    return QUrl::toPercentEncoding(text, "!$'()*,;:@/?");
}

QByteArray encodeQuery(const std::vector<std::pair<QString, QString>>& items) {
    QByteArray query;
    for (const auto& [name, value] : items) {
        if (!query.isEmpty()) query += '&';
        query += encodeQueryComponent(name) + '=' + encodeQueryComponent(value);
    }
    return query;
}

}  // namespace Threadwork::Http
