#include "Basalt/json/Decimal.h"

#include <charconv>
#include <limits>

namespace Basalt {
namespace {

using Mantissa = Decimal::Mantissa;

// 10^38 - 1 is the largest mantissa with 38 digits.
constexpr Mantissa pow10(int n) {
    Mantissa value = 1;
    for (int i = 0; i < n; ++i) value *= 10;
    return value;
}
constexpr Mantissa maxMantissa = pow10(Decimal::maxDigits) - 1;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Writes the mantissa's digits, most significant first, and returns their count.
int writeDigits(Mantissa m, char (&buffer)[40]) {
    char reversed[40];
    int n = 0;
    do {
        reversed[n++] = char('0' + int(m % 10));
        m /= 10;
    } while (m != 0);
    for (int i = 0; i < n; ++i) buffer[i] = reversed[n - 1 - i];
    return n;
}

// Saturating: exponents far beyond the range only need to stay far beyond it.
constexpr long long exponentClamp = 1'000'000;

}  // namespace

Decimal Decimal::fromInteger(std::int64_t value) {
    bool negative = value < 0;
    Mantissa magnitude = negative ? Mantissa(-(value + 1)) + 1 : Mantissa(value);
    return fromParts(negative, magnitude, 0).value();
}

Decimal Decimal::fromUnsigned(std::uint64_t value) {
    return fromParts(false, Mantissa(value), 0).value();
}

Result<Decimal, DecimalError> Decimal::fromParts(bool negative, Mantissa mantissa, int exponent) {
    Decimal d;
    if (mantissa == 0) return d;
    if (mantissa > maxMantissa) return fail(DecimalError::outOfRange);
    long long e = exponent;
    while (mantissa % 10 == 0 && e < maxExponent) {
        mantissa /= 10;
        ++e;
    }
    // A large exponent can be traded for trailing zeros while digits remain.
    while (e > maxExponent && mantissa <= maxMantissa / 10) {
        mantissa *= 10;
        --e;
    }
    if (e > maxExponent || e < minExponent) return fail(DecimalError::outOfRange);
    d.mantissa_ = mantissa;
    d.exponent_ = std::int16_t(e);
    d.negative_ = negative;
    return d;
}

Result<Decimal, DecimalError> Decimal::parse(std::string_view token) {
    const char* p = token.data();
    const char* end = p + token.size();
    bool negative = false;
    if (p != end && *p == '-') {
        negative = true;
        ++p;
    }
    if (p == end || !isDigit(*p)) return fail(DecimalError::invalidSyntax);
    if (*p == '0' && p + 1 != end && isDigit(p[1])) return fail(DecimalError::invalidSyntax);

    Mantissa mantissa = 0;
    int significant = 0;         // digits taken into the mantissa, leading zeros excluded
    long long exponent = 0;      // adjustment from fraction digits and dropped zeros
    long long pendingZeros = 0;  // zeros seen after the last non-zero digit, not yet applied
    bool overflow = false;

    auto takeDigit = [&](int digit, bool fraction) {
        if (fraction) --exponent;
        if (digit == 0) {
            if (significant > 0) ++pendingZeros;
            return;
        }
        // Apply the zeros between the previous non-zero digit and this one.
        for (; pendingZeros > 0; --pendingZeros) {
            if (++significant > maxDigits) overflow = true;
            if (!overflow) mantissa *= 10;
        }
        if (++significant > maxDigits) overflow = true;
        if (!overflow) mantissa = mantissa * 10 + Mantissa(digit);
    };

    while (p != end && isDigit(*p)) takeDigit(*p++ - '0', false);
    if (p != end && *p == '.') {
        ++p;
        if (p == end || !isDigit(*p)) return fail(DecimalError::invalidSyntax);
        while (p != end && isDigit(*p)) takeDigit(*p++ - '0', true);
    }
    if (p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p != end && (*p == '+' || *p == '-')) negativeExponent = *p++ == '-';
        if (p == end || !isDigit(*p)) return fail(DecimalError::invalidSyntax);
        long long explicitExponent = 0;
        while (p != end && isDigit(*p)) {
            explicitExponent = std::min(explicitExponent * 10 + (*p++ - '0'), exponentClamp);
        }
        exponent += negativeExponent ? -explicitExponent : explicitExponent;
    }
    if (p != end) return fail(DecimalError::invalidSyntax);
    if (overflow) return fail(DecimalError::outOfRange);
    // Trailing zeros of the digits were held back: they belong to the exponent.
    exponent += pendingZeros;
    if (mantissa == 0) return Decimal();
    if (exponent > exponentClamp || exponent < -exponentClamp)
        return fail(DecimalError::outOfRange);
    return fromParts(negative, mantissa, int(exponent));
}

std::optional<std::uint64_t> Decimal::toUInt64() const {
    if (mantissa_ == 0) return 0;
    if (negative_ || exponent_ < 0 || exponent_ > 19) return std::nullopt;
    Mantissa value = mantissa_ * pow10(exponent_);
    if (value / pow10(exponent_) != mantissa_) return std::nullopt;
    if (value > std::numeric_limits<std::uint64_t>::max()) return std::nullopt;
    return std::uint64_t(value);
}

std::optional<std::int64_t> Decimal::toInt64() const {
    if (mantissa_ == 0) return 0;
    if (exponent_ < 0 || exponent_ > 19) return std::nullopt;
    Mantissa value = mantissa_ * pow10(exponent_);
    if (value / pow10(exponent_) != mantissa_) return std::nullopt;
    constexpr Mantissa maxPositive = Mantissa(std::numeric_limits<std::int64_t>::max());
    if (!negative_) {
        if (value > maxPositive) return std::nullopt;
        return std::int64_t(value);
    }
    if (value > maxPositive + 1) return std::nullopt;
    return value == maxPositive + 1 ? std::numeric_limits<std::int64_t>::min()
                                    : -std::int64_t(value);
}

double Decimal::toDouble() const {
    std::string text = toString();
    double result = 0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

std::string Decimal::toString() const {
    std::string out;
    appendTo(out);
    return out;
}

void Decimal::appendTo(std::string& out) const {
    if (mantissa_ == 0) {
        out.push_back('0');
        return;
    }
    if (negative_) out.push_back('-');
    char digits[40];
    int n = 0;
    if (mantissa_ <= std::numeric_limits<std::uint64_t>::max()) {
        // 128-bit division is slow; most numbers fit in 64 bits.
        n = int(std::to_chars(digits, digits + sizeof digits, std::uint64_t(mantissa_)).ptr -
                digits);
    } else {
        n = writeDigits(mantissa_, digits);
    }
    const int e = exponent_;
    constexpr int plainLimit = 21;  // beyond this many padding zeros, exponent form is shorter
    if (e >= 0 && e <= plainLimit) {
        out.append(digits, n);
        out.append(std::size_t(e), '0');
    } else if (e < 0 && n + e > 0) {
        out.append(digits, std::size_t(n + e));
        out.push_back('.');
        out.append(digits + n + e, std::size_t(-e));
    } else if (e < 0 && -(n + e) <= plainLimit) {
        out.append("0.");
        out.append(std::size_t(-(n + e)), '0');
        out.append(digits, n);
    } else {
        out.append(digits, n);
        out.push_back('e');
        out.append(std::to_string(e));
    }
}

}  // namespace Basalt
