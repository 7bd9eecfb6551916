#include "Basalt/json/JSONWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Basalt {
namespace {

constexpr char hexDigits[] = "0123456789abcdef";

bool needsEscape(unsigned char c) {
    return c < 0x20 || c == '"' || c == '\\';
}

void appendEscaped(unsigned char c, std::string& out) {
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
        default: {
            const char escape[] = {'\\', 'u', '0', '0', hexDigits[c >> 4], hexDigits[c & 0xF]};
            out.append(escape, sizeof escape);
        }
    }
}

// Eight bytes at a time: is any of them a control character, a quote or a backslash?
bool anyNeedsEscape(std::uint64_t bytes) {
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    constexpr std::uint64_t highs = 0x8080808080808080ULL;
    auto hasZero = [](std::uint64_t v) { return (v - ones) & ~v & highs; };
    const std::uint64_t below20 = (bytes - ones * 0x20) & ~bytes & highs;
    return (below20 | hasZero(bytes ^ (ones * '"')) | hasZero(bytes ^ (ones * '\\'))) != 0;
}

}  // namespace

void appendJSONString(std::string_view text, std::string& out) {
    out.reserve(out.size() + text.size() + 2);
    out.push_back('"');
    const char* data = text.data();
    const std::size_t size = text.size();
    std::size_t runStart = 0;
    std::size_t i = 0;
    while (i < size) {
        if (i + 8 <= size) {
            std::uint64_t block;
            std::memcpy(&block, data + i, 8);
            if (!anyNeedsEscape(block)) {
                i += 8;
                continue;
            }
        }
        const std::size_t blockEnd = std::min(size, i + 8);
        for (; i < blockEnd; ++i) {
            unsigned char c = static_cast<unsigned char>(data[i]);
            if (!needsEscape(c)) continue;
            out.append(data + runStart, i - runStart);
            runStart = i + 1;
            appendEscaped(c, out);
        }
    }
    out.append(data + runStart, size - runStart);
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
