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

namespace Threadwork {

bool isValidUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return !decoder.hasError();
}

std::string utf8OrEmpty(const std::optional<std::string>& rawData) {
    if (!rawData || !isValidUtf8(*rawData)) return {};
    return *rawData;
}

}  // namespace Threadwork
