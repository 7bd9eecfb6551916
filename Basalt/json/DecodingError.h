#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Basalt {

// One step of a coding path: an object member's name, or an array position.
struct CodingKey {
    std::string stringValue;
    std::optional<int> intValue;

    static CodingKey member(std::string_view name) { return {std::string(name), std::nullopt}; }
    static CodingKey index(int position) { return {"Index " + std::to_string(position), position}; }
    friend bool operator==(const CodingKey&, const CodingKey&) = default;
};

// The key type for reading objects whose member names are not known in advance.
struct DynamicCodingKeys {
    std::string stringValue;
    std::optional<int> intValue;  // always empty

    static std::optional<DynamicCodingKeys> fromString(std::string_view text) {
        return DynamicCodingKeys{std::string(text), std::nullopt};
    }
    // An object member never has an integer key.
    static std::optional<DynamicCodingKeys> fromInt(int) { return std::nullopt; }
};

using CodingPath = std::vector<CodingKey>;

// "data.children[0].data": how coding paths are printed in error texts.
std::string formatCodingPath(const CodingPath& path);

struct DecodingError {
    enum class Kind { typeMismatch, keyNotFound, valueNotFound, dataCorrupted };

    struct Context {
        CodingPath codingPath;
        std::string debugDescription;
        std::shared_ptr<const DecodingError> underlyingError;
    };

    Kind kind = Kind::dataCorrupted;
    // The expected type for typeMismatch and valueNotFound; the missing key for keyNotFound.
    std::string subject;
    Context context;

    static DecodingError typeMismatch(std::string type, Context context);
    static DecodingError keyNotFound(std::string key, Context context);
    static DecodingError valueNotFound(std::string type, Context context);
    static DecodingError dataCorrupted(Context context);

    // The printed form used in log lines, e.g.
    // keyNotFound("title", codingPath: "data.children[0].data", "No value associated with key ...")
    std::string description() const;
};

const char* kindName(DecodingError::Kind kind);

}  // namespace Basalt
