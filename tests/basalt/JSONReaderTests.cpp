#include <gtest/gtest.h>

#include <string>

#include "Basalt/json/Coding.h"
#include "Basalt/json/Document.h"

using namespace Basalt;

namespace {

JSON read(std::string_view text) {
    auto result = readJSON(text);
    EXPECT_TRUE(result.ok()) << text << ": " << (result.ok() ? "" : result.error().description());
    return result.ok() ? result.value() : JSON();
}

TEST(JSONReader, ReadsTheSixCases) {
    JSON value = read(R"({"a": 1, "b": [true, null, "x"], "c": {"d": 0.1}})");
    ASSERT_TRUE(value.isObject());
    const auto& object = *value.asObject();
    EXPECT_EQ(object.size(), 3u);
    EXPECT_EQ(object.find("a")->asNumber(), Decimal::fromInteger(1));
    const auto& array = *object.find("b")->asArray();
    ASSERT_EQ(array.size(), 3u);
    EXPECT_EQ(array[0].asBool(), true);
    EXPECT_TRUE(array[1].isNull());
    EXPECT_EQ(*array[2].asString(), "x");
    // 0.1 exactly: one digit, exponent -1, not a binary approximation.
    auto tenth = object.find("c")->asObject()->find("d")->asNumber();
    ASSERT_TRUE(tenth);
    EXPECT_EQ(tenth->mantissa(), 1u);
    EXPECT_EQ(tenth->exponent(), -1);
}

TEST(JSONReader, LaterDuplicateKeyWins) {
    JSON value = read(R"({"k": 1, "other": 2, "k": "second"})");
    EXPECT_EQ(value.asObject()->size(), 2u);
    EXPECT_EQ(*value.asObject()->find("k")->asString(), "second");
}

TEST(JSONReader, KindsAreNotConfused) {
    EXPECT_TRUE(read("{}").isObject());
    EXPECT_TRUE(read("[]").isArray());
    EXPECT_TRUE(read(R"("123")").isString());
    EXPECT_TRUE(read("123").isNumber());
    EXPECT_TRUE(read("true").isBool());
    EXPECT_TRUE(read(" null ").isNull());
    EXPECT_FALSE(read(R"("")").isNull());
    EXPECT_FALSE(read("[]").isNull());
    EXPECT_FALSE(read("{}").isNull());
    EXPECT_FALSE(read("1").asString());
}

TEST(JSONReader, UnescapesStrings) {
    EXPECT_EQ(*read(R"("a\"b\\c\/d\n\u00e9\ud83d\ude00")").asString(),
              "a\"b\\c/d\n\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(JSONReader, KeepsDeepButAllowedNesting) {
    std::string text = std::string(maxJSONDepth, '[') + std::string(maxJSONDepth, ']');
    EXPECT_TRUE(readJSON(text).ok());
    EXPECT_TRUE(Document::parse(text).ok());
}

TEST(Document, HoldsTheSameValueAsTheTree) {
    for (const char* text :
         {R"({"a": 1, "b": [true, null, "x\né"], "c": {"d": 0.1}, "a": 2})", "[]", "{}",
          R"("only text")", "-12.5e3", "true", " null ", R"([{"k": [[], {}]}])"}) {
        auto document = Document::parse(text);
        ASSERT_TRUE(document.ok()) << text;
        EXPECT_EQ(document->root().toJSON(), read(text)) << text;
    }
}

TEST(Document, FindsMembersOfSmallAndLargeObjectsLaterDuplicateFirst) {
    std::string large = "{";
    for (int i = 0; i < 40; ++i)
        large += "\"k" + std::to_string(i) + "\": " + std::to_string(i) + ",";
    large += R"("k7": "again"})";
    for (const std::string& text : {large, std::string(R"({"a": 1, "k7": 2, "k7": "again"})")}) {
        auto document = Document::parse(text).value();
        auto root = document.root();
        ASSERT_TRUE(root.find("k7"));
        EXPECT_EQ(root.find("k7")->asString(), "again");
        EXPECT_FALSE(root.find("missing"));
        int members = 0;
        root.forEachMember([&](std::string_view, NodeRef) { ++members; });
        EXPECT_EQ(members, int(read(text).asObject()->size()));
    }
}

struct BadInput {
    const char* name;
    std::string text;
    std::string path;  // the coding path printed, where the fault is
    friend void PrintTo(const BadInput& b, std::ostream* out) { *out << b.name; }
};

const std::string anyPath = "*";

class JSONReaderRejects : public ::testing::TestWithParam<BadInput> {};

TEST_P(JSONReaderRejects, WithADataCorruptedErrorAndItsPath) {
    auto result = readJSON(GetParam().text);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, DecodingError::Kind::dataCorrupted);
    if (GetParam().path != anyPath) {
        EXPECT_EQ(formatCodingPath(result.error().context.codingPath), GetParam().path);
    }
    EXPECT_FALSE(result.error().context.debugDescription.empty());
}

std::string nested(int depth) {
    return std::string(std::size_t(depth), '[') + std::string(std::size_t(depth), ']');
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, JSONReaderRejects,
    ::testing::Values(
        BadInput{"Empty", "", ""}, BadInput{"Blank", "  \n", ""},
        BadInput{"TruncatedObject", R"({"a": [1, 2)", "a"},
        BadInput{"TruncatedString", R"({"a": "abc)", ""},
        BadInput{"TrailingDocument", R"({"a":1}{"b":2})", ""},
        BadInput{"TrailingGarbage", R"([1] x)", ""}, BadInput{"TrailingScalar", "1 2", ""},
        BadInput{"ScalarList", "1,2", ""}, BadInput{"LeadingZero", R"({"n": 01})", "n"},
        BadInput{"BareDot", R"({"a": {"n": 1.}})", "a.n"},
        BadInput{"LettersInNumber", R"([0, 123abc])", "[1]"}, BadInput{"RootBadNumber", "01", ""},
        BadInput{"InvalidUTF8", "{\"a\": \"\xC3\x28\"}", ""},
        BadInput{"LoneHighSurrogate", R"({"s": "\ud800"})", "s"},
        BadInput{"LoneLowSurrogate", R"(["\udc00x"])", "[0]"},
        BadInput{"BadEscape", R"(["\x"])", "[0]"},
        BadInput{"TooDeep", nested(maxJSONDepth + 1), anyPath},
        BadInput{"FarTooDeep", nested(1'000'000), anyPath},
        BadInput{"TooManyDigits", R"({"list": [{"n": 123456789012345678901234567890123456789}]})",
                 "list[0].n"},
        BadInput{"ExponentTooLarge", R"({"n": 1e200})", "n"},
        BadInput{"BadLiteral", R"([tru])", "[0]"}, BadInput{"NullTypo", R"([nulll])", "[0]"},
        BadInput{"SingleQuotes", R"({'a': 1})", ""}),
    [](const auto& info) { return info.param.name; });

TEST(JSONReader, DeepNestingErrorNamesThePath) {
    auto result = readJSON(nested(maxJSONDepth + 1));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().context.codingPath.size(), std::size_t(maxJSONDepth));
}

TEST(JSONWriter, WritesCompactlyAndReadsBackEqual) {
    const char* text = R"({ "b" : [ true , null, "line\nbreak \"q\" \u0001" ],
                          "a" : { "n" : -0.1, "big": 12345678901234567890 }, "e": {}, "f": [] })";
    JSON value = read(text);
    std::string written = writeJSON(value);
    EXPECT_EQ(
        written,
        R"({"a":{"big":12345678901234567890,"n":-0.1},"b":[true,null,"line\nbreak \"q\" \u0001"],"e":{},"f":[]})");
    EXPECT_EQ(read(written), value);
}

TEST(JSONWriter, KeepsUnicodeAsUTF8) {
    EXPECT_EQ(writeJSON(read(R"(["caf\u00e9 / ok"])")), "[\"caf\xC3\xA9 / ok\"]");
}

TEST(JSONValue, CopiesAreIndependent) {
    JSONObject object;
    object.set("k", JSON("v"));
    JSON original(object);
    JSON copy = original;
    object.set("k", JSON("changed"));
    EXPECT_EQ(*copy.asObject()->find("k")->asString(), "v");
    EXPECT_EQ(copy, original);
}

}  // namespace
