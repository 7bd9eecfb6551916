#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Basalt/Result.h"

namespace Basalt {

enum class DecimalError {
    invalidSyntax,  // not a JSON number token
    outOfRange,     // more than 38 significant digits, or an exponent beyond -128..127
};

// A base-10 floating number: up to 38 significant digits times 10^exponent, exponent in
// -128..127. Always normalised (no trailing zeros in the mantissa unless the exponent is at its
// maximum), so equal values have equal fields.
class Decimal {
public:
    static constexpr int maxDigits = 38;
    static constexpr int minExponent = -128;
    static constexpr int maxExponent = 127;

    using Mantissa = unsigned __int128;

    Decimal() = default;
    static Decimal fromInteger(std::int64_t value);
    static Decimal fromUnsigned(std::uint64_t value);
    // Exact parts; fails with outOfRange when they cannot be held without losing digits.
    static Result<Decimal, DecimalError> fromParts(bool negative, Mantissa mantissa, int exponent);
    // Parses a JSON number token ("-12.5e3"); nothing else is accepted.
    static Result<Decimal, DecimalError> parse(std::string_view token);

    bool isNegative() const { return negative_; }
    bool isZero() const { return mantissa_ == 0; }
    Mantissa mantissa() const { return mantissa_; }
    int exponent() const { return exponent_; }
    bool isIntegral() const { return exponent_ >= 0 || mantissa_ == 0; }

    std::optional<std::int64_t> toInt64() const;
    std::optional<std::uint64_t> toUInt64() const;
    double toDouble() const;

    // Shortest exact text in JSON number syntax.
    std::string toString() const;
    void appendTo(std::string& out) const;

    friend bool operator==(const Decimal&, const Decimal&) = default;

private:
    Mantissa mantissa_ = 0;
    std::int16_t exponent_ = 0;
    bool negative_ = false;
};

}  // namespace Basalt
