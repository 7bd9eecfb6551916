#include <gtest/gtest.h>

#include "Basalt/url/SafeURL.h"

using namespace Basalt;

namespace {

struct Parse {
    const char* name;
    QString text;
    std::optional<QString> url;  // the address in encoded form, or nothing
    friend void PrintTo(const Parse& p, std::ostream* out) { *out << p.name; }
};

class UnsafeString : public ::testing::TestWithParam<Parse> {};

TEST_P(UnsafeString, GivesTheTolerantParse) {
    auto url = unsafeString(GetParam().text);
    ASSERT_EQ(url.has_value(), GetParam().url.has_value()) << GetParam().text.toStdString();
    if (url) {
        EXPECT_EQ(url->toString(QUrl::FullyEncoded), *GetParam().url);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, UnsafeString,
    ::testing::Values(
        // Well-formed: returned by the strict parse, escapes, query and fragment kept.
        Parse{"WellFormed", "https://i.redd.it/a%20b.jpg?width=640&s=ab#top",
              "https://i.redd.it/a%20b.jpg?width=640&s=ab#top"},
        Parse{"Space", "https://example.com/a b.png", "https://example.com/a%20b.png"},
        // Only text that fails the strict parse is encoded, and then wholly.
        Parse{"SpaceAndEscape", "https://example.com/a b%20c", "https://example.com/a%20b%2520c"},
        Parse{"NonASCII", QString::fromUtf8("https://example.com/\xC3\xA9t\xC3\xA9"),
              "https://example.com/%C3%A9t%C3%A9"},
        Parse{"NumberSignEncoded", "https://example.com/a b#frag",
              "https://example.com/a%20b%23frag"},
        Parse{"Empty", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SafeURL, KeepsTheRawTextBesideTheAddress) {
    SafeURL url(QStringLiteral("https://example.com/a b"));
    EXPECT_EQ(url.rawValue(), "https://example.com/a b");
    ASSERT_TRUE(url.url());
    EXPECT_EQ(url.url()->toString(QUrl::FullyEncoded), "https://example.com/a%20b");
    SafeURL empty(QString{});
    EXPECT_TRUE(empty.rawValue().isEmpty());
    EXPECT_FALSE(empty.url());
    EXPECT_TRUE(SafeURL::fromRawValue("three word text"));
}

TEST(SafeURL, ReadsOnlyStringsAndNeverFailsOnBadAddresses) {
    auto number = decode<SafeURL>("42");
    ASSERT_FALSE(number.ok());
    EXPECT_EQ(number.error().kind, DecodingError::Kind::typeMismatch);

    auto words = decode<SafeURL>(R"("three word text")");
    ASSERT_TRUE(words.ok());
    EXPECT_EQ(words->rawValue(), "three word text");
    EXPECT_EQ(words->url().has_value(), unsafeString("three word text").has_value());
}

TEST(SafeURL, WritesItsRawValueAndReadsBackTheSame) {
    SafeURL original(QString::fromUtf8("https://example.com/\xC3\xA9 x?q=1 2"));
    std::string written = encode(original);
    auto back = decode<SafeURL>(written);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->rawValue(), original.rawValue());
    EXPECT_EQ(back->url(), original.url());
}

}  // namespace
