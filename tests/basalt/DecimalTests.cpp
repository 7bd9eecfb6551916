#include <gtest/gtest.h>

#include "Basalt/json/Decimal.h"

using Basalt::Decimal;
using Basalt::DecimalError;

namespace {

struct RoundTrip {
    const char* token;
    const char* written;
    friend void PrintTo(const RoundTrip& r, std::ostream* out) { *out << r.token; }
};

class DecimalRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(DecimalRoundTrip, KeepsEveryDigit) {
    auto parsed = Decimal::parse(GetParam().token);
    ASSERT_TRUE(parsed.ok()) << GetParam().token;
    EXPECT_EQ(parsed->toString(), GetParam().written);
    // What is written reads back as the same value.
    auto again = Decimal::parse(parsed->toString());
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(*again, *parsed);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, DecimalRoundTrip,
    ::testing::Values(RoundTrip{"0", "0"}, RoundTrip{"-0", "0"}, RoundTrip{"0.1", "0.1"},
                      RoundTrip{"1.50", "1.5"}, RoundTrip{"-12.5e3", "-12500"},
                      RoundTrip{"100", "100"}, RoundTrip{"1700000000.0", "1700000000"},
                      RoundTrip{"12345678901234567890", "12345678901234567890"},
                      RoundTrip{"0.000123", "0.000123"}, RoundTrip{"1E+2", "100"},
                      RoundTrip{"1e127", "1e127"}, RoundTrip{"1e130", "1000e127"},
                      RoundTrip{"1e-128", "1e-128"},
                      RoundTrip{"12345678901234567890123456789012345678",
                                "12345678901234567890123456789012345678"},
                      RoundTrip{"1234567890123456789012345678901234567800000",
                                "1234567890123456789012345678901234567800000"},
                      RoundTrip{"0.00000000000000000000000000000000000001", "1e-38"}));

struct Rejected {
    const char* token;
    DecimalError error;
    friend void PrintTo(const Rejected& r, std::ostream* out) { *out << r.token; }
};

class DecimalRejects : public ::testing::TestWithParam<Rejected> {};

TEST_P(DecimalRejects, WithTheRightError) {
    auto parsed = Decimal::parse(GetParam().token);
    ASSERT_FALSE(parsed.ok()) << GetParam().token;
    EXPECT_EQ(parsed.error(), GetParam().error) << GetParam().token;
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, DecimalRejects,
    ::testing::Values(
        Rejected{"", DecimalError::invalidSyntax}, Rejected{"01", DecimalError::invalidSyntax},
        Rejected{"1.", DecimalError::invalidSyntax}, Rejected{".5", DecimalError::invalidSyntax},
        Rejected{"123abc", DecimalError::invalidSyntax},
        Rejected{"+1", DecimalError::invalidSyntax}, Rejected{"-", DecimalError::invalidSyntax},
        Rejected{"1e", DecimalError::invalidSyntax}, Rejected{"1e+", DecimalError::invalidSyntax},
        Rejected{"0x10", DecimalError::invalidSyntax}, Rejected{"1 ", DecimalError::invalidSyntax},
        Rejected{"NaN", DecimalError::invalidSyntax},
        // 39 significant digits: never rounded.
        Rejected{"123456789012345678901234567890123456789", DecimalError::outOfRange},
        Rejected{"1.00000000000000000000000000000000000001", DecimalError::outOfRange},
        Rejected{"1e200", DecimalError::outOfRange}, Rejected{"1e-129", DecimalError::outOfRange},
        Rejected{"1e99999999999999999999", DecimalError::outOfRange},
        Rejected{"1e-99999999999999999999", DecimalError::outOfRange}));

TEST(Decimal, ZeroWithAnyExponentIsZero) {
    EXPECT_EQ(Decimal::parse("0e500")->toString(), "0");
    EXPECT_EQ(Decimal::parse("-0.000e-999")->toString(), "0");
}

TEST(Decimal, IntegerConversionsCheckRangeAndIntegrality) {
    EXPECT_EQ(Decimal::parse("9223372036854775807")->toInt64(), INT64_MAX);
    EXPECT_EQ(Decimal::parse("-9223372036854775808")->toInt64(), INT64_MIN);
    EXPECT_FALSE(Decimal::parse("9223372036854775808")->toInt64());
    EXPECT_EQ(Decimal::parse("18446744073709551615")->toUInt64(), UINT64_MAX);
    EXPECT_FALSE(Decimal::parse("18446744073709551616")->toUInt64());
    EXPECT_FALSE(Decimal::parse("-1")->toUInt64());
    EXPECT_FALSE(Decimal::parse("1.5")->toInt64());
    EXPECT_EQ(Decimal::parse("1.0")->toInt64(), 1);
    EXPECT_EQ(Decimal::parse("25e2")->toInt64(), 2500);
    EXPECT_FALSE(Decimal::parse("1e30")->toInt64());
}

TEST(Decimal, DoubleConversionIsCorrectlyRounded) {
    EXPECT_EQ(Decimal::parse("0.1")->toDouble(), 0.1);
    EXPECT_EQ(Decimal::parse("1700000000.123")->toDouble(), 1700000000.123);
    EXPECT_EQ(Decimal::parse("-2.5e-7")->toDouble(), -2.5e-7);
}

TEST(Decimal, FromIntegersIsNormalised) {
    EXPECT_EQ(Decimal::fromInteger(INT64_MIN).toString(), "-9223372036854775808");
    EXPECT_EQ(Decimal::fromInteger(1200), *Decimal::parse("1.2e3"));
    EXPECT_EQ(Decimal::fromUnsigned(UINT64_MAX).toString(), "18446744073709551615");
}

}  // namespace
