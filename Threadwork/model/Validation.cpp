#include "Threadwork/model/Validation.h"

#include <cstdio>

namespace Threadwork {

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\0':
                out += "\\0";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buffer[12];
                    std::snprintf(buffer, sizeof buffer, "\\u{%x}", unsigned(c));
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string ValidationError::localizedDescription() const {
    return std::string(kind == Kind::inconsistency ? "inconsistency" : "todo") +
           "(context: " + quoted(context) + ", debugDescription: " + quoted(debugDescription) + ")";
}

}  // namespace Threadwork

#include <QStringDecoder>
#include <QUtf8StringView>

namespace Threadwork {

std::string utf8OrEmpty(const std::optional<std::string>& rawData) {
    if (!rawData) return {};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(rawData->data(), qsizetype(rawData->size())));
    if (decoder.hasError()) return {};
    return *rawData;
}

}  // namespace Threadwork
