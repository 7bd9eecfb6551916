#include "Basalt/json/JSONWriter.h"

namespace Basalt {
namespace {

constexpr char hexDigits[] = "0123456789abcdef";

bool needsEscape(unsigned char c) {
    return c < 0x20 || c == '"' || c == '\\';
}

}  // namespace

void appendJSONString(std::string_view text, std::string& out) {
    out.push_back('"');
    const char* data = text.data();
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(data[i]);
        if (!needsEscape(c)) continue;
        out.append(data + runStart, i - runStart);
        runStart = i + 1;
        switch (c) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            case '\b':
                out.append("\\b");
                break;
            case '\f':
                out.append("\\f");
                break;
            default:
                out.append("\\u00");
                out.push_back(hexDigits[c >> 4]);
                out.push_back(hexDigits[c & 0xF]);
        }
    }
    out.append(data + runStart, text.size() - runStart);
    out.push_back('"');
}

void writeJSON(const JSON& value, std::string& out) {
    switch (value.kind()) {
        case JSON::Kind::string:
            appendJSONString(*value.asString(), out);
            return;
        case JSON::Kind::number:
            value.asNumber()->appendTo(out);
            return;
        case JSON::Kind::boolean:
            out.append(*value.asBool() ? "true" : "false");
            return;
        case JSON::Kind::null:
            out.append("null");
            return;
        case JSON::Kind::object: {
            out.push_back('{');
            bool first = true;
            for (const auto& [key, member] : *value.asObject()) {
                if (!first) out.push_back(',');
                first = false;
                appendJSONString(key, out);
                out.push_back(':');
                writeJSON(member, out);
            }
            out.push_back('}');
            return;
        }
        case JSON::Kind::array: {
            out.push_back('[');
            bool first = true;
            for (const auto& element : *value.asArray()) {
                if (!first) out.push_back(',');
                first = false;
                writeJSON(element, out);
            }
            out.push_back(']');
            return;
        }
    }
}

std::string writeJSON(const JSON& value) {
    std::string out;
    writeJSON(value, out);
    return out;
}

}  // namespace Basalt
