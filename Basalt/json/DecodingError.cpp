#include "Basalt/json/DecodingError.h"

namespace Basalt {

std::string formatCodingPath(const CodingPath& path) {
    std::string out;
    for (const auto& key : path) {
        if (key.intValue) {
            out += "[" + std::to_string(*key.intValue) + "]";
            continue;
        }
        if (!out.empty()) out += ".";
        out += key.stringValue;
    }
    return out;
}

DecodingError DecodingError::typeMismatch(std::string type, Context context) {
    return {Kind::typeMismatch, std::move(type), std::move(context)};
}

DecodingError DecodingError::keyNotFound(std::string key, Context context) {
    return {Kind::keyNotFound, std::move(key), std::move(context)};
}

DecodingError DecodingError::valueNotFound(std::string type, Context context) {
    return {Kind::valueNotFound, std::move(type), std::move(context)};
}

DecodingError DecodingError::dataCorrupted(Context context) {
    return {Kind::dataCorrupted, {}, std::move(context)};
}

const char* kindName(DecodingError::Kind kind) {
    switch (kind) {
        case DecodingError::Kind::typeMismatch:
            return "typeMismatch";
        case DecodingError::Kind::keyNotFound:
            return "keyNotFound";
        case DecodingError::Kind::valueNotFound:
            return "valueNotFound";
        case DecodingError::Kind::dataCorrupted:
            return "dataCorrupted";
    }
    return "unknown";
}

std::string DecodingError::description() const {
    std::string out = kindName(kind);
    out += "(";
    if (kind != Kind::dataCorrupted) out += "\"" + subject + "\", ";
    out += "codingPath: \"" + formatCodingPath(context.codingPath) + "\", \"" +
           context.debugDescription + "\"";
    if (context.underlyingError) {
        out += ", underlyingError: " + context.underlyingError->description();
    }
    out += ")";
    return out;
}

}  // namespace Basalt
