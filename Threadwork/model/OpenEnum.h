#pragma once

#include <string>
#include <string_view>

#include "Basalt/json/Coding.h"

namespace Threadwork {

// A closed vocabulary of the service with a catch-all: any other text is kept as unknown(text),
// so reading never fails on a new value (validation reports it). Traits give
// `enum class Case { unknown, ... }`, a `table` of {Case, text} pairs (the first text of a case is
// the one written; later ones are only read) and a `typeName`.
template <typename Traits>
class OpenEnum {
public:
    using Case = typename Traits::Case;
    static constexpr const char* typeName = Traits::typeName;

    OpenEnum() : OpenEnum(Case::unknown, {}) {}
    OpenEnum(Case known) : case_(known) {}

    static OpenEnum fromRawValue(std::string_view text) {
        for (const auto& [known, name] : Traits::table) {
            if (name == text) return OpenEnum(known, {});
        }
        return OpenEnum(Case::unknown, std::string(text));
    }
    static OpenEnum unknown(std::string text) { return OpenEnum(Case::unknown, std::move(text)); }

    Case kind() const { return case_; }
    bool isUnknown() const { return case_ == Case::unknown; }
    std::string rawValue() const {
        if (case_ == Case::unknown) return unknownText_;
        for (const auto& [known, name] : Traits::table) {
            if (known == case_) return std::string(name);
        }
        return {};
    }

    static OpenEnum decode(Basalt::Decoder& decoder) {
        std::string text = decoder.decode<std::string>();
        return fromRawValue(text);
    }
    Basalt::JSON encode() const { return Basalt::JSON(rawValue()); }

    friend bool operator==(const OpenEnum& a, const OpenEnum& b) {
        return a.case_ == b.case_ && a.unknownText_ == b.unknownText_;
    }
    friend bool operator==(const OpenEnum& a, Case b) { return a.case_ == b && b != Case::unknown; }

private:
    OpenEnum(Case c, std::string text) : case_(c), unknownText_(std::move(text)) {}

    Case case_;
    std::string unknownText_;
};

}  // namespace Threadwork
