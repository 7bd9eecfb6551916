#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Basalt/json/Coding.h"

using namespace Basalt;

namespace {

struct Flair {
    static constexpr const char* typeName = "Flair";
    std::string text;
    std::optional<std::string> color;

    static Flair decode(Decoder& decoder) {
        auto c = decoder.keyedContainer();
        Flair f;
        f.text = c.decode<std::string>("text");
        f.color = c.decodeOptional<std::string>("color");
        return f;
    }
};

struct Post {
    static constexpr const char* typeName = "Post";
    std::string title;
    std::int64_t score = 0;
    std::uint32_t comments = 0;
    double ratio = 0;
    bool over18 = false;
    std::vector<Flair> flairs;
    std::optional<std::string> rawData;

    static Post decode(Decoder& decoder) {
        auto c = decoder.keyedContainer();
        Post p;
        p.title = c.decode<std::string>("title");
        p.score = c.decode<std::int64_t>("score");
        p.comments = c.decode<std::uint32_t>("num_comments");
        p.ratio = c.decode<double>("upvote_ratio");
        p.over18 = c.decode<bool>("over_18");
        p.flairs = c.decode<std::vector<Flair>>("flairs");
        if (decoder.failed()) return p;
        auto raw = decoder.decodeAsRawData();
        if (raw) p.rawData = raw.value();
        return p;
    }
};

constexpr const char* goodPost = R"({"title": "Hello", "score": -3, "num_comments": 7,
    "upvote_ratio": 0.97, "over_18": false,
    "flairs": [{"text": "a", "color": null}, {"text": "b", "color": "#fff"}]})";

TEST(Decoder, ReadsARecordWithNestedRecords) {
    auto post = decode<Post>(goodPost);
    ASSERT_TRUE(post.ok()) << post.error().description();
    EXPECT_EQ(post->title, "Hello");
    EXPECT_EQ(post->score, -3);
    EXPECT_EQ(post->comments, 7u);
    EXPECT_DOUBLE_EQ(post->ratio, 0.97);
    ASSERT_EQ(post->flairs.size(), 2u);
    EXPECT_FALSE(post->flairs[0].color);
    EXPECT_EQ(post->flairs[1].color, "#fff");
    // The raw data is the record written anew, and reads back as the same value.
    ASSERT_TRUE(post->rawData);
    EXPECT_EQ(post->rawData->find(' '), std::string::npos);
    EXPECT_EQ(readJSON(*post->rawData).value(), readJSON(goodPost).value());
}

struct Case {
    const char* name;
    std::string replace;  // member text substituted into goodPost
    std::string with;
    DecodingError::Kind kind;
    std::string path;
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};

std::string substitute(std::string text, const std::string& from, const std::string& to) {
    auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

class DecoderFails : public ::testing::TestWithParam<Case> {};

TEST_P(DecoderFails, WithTheKindAndPath) {
    const auto& c = GetParam();
    auto post = decode<Post>(substitute(goodPost, c.replace, c.with));
    ASSERT_FALSE(post.ok());
    EXPECT_EQ(post.error().kind, c.kind) << post.error().description();
    EXPECT_EQ(formatCodingPath(post.error().context.codingPath), c.path)
        << post.error().description();
}

using K = DecodingError::Kind;
INSTANTIATE_TEST_SUITE_P(
    StrictKinds, DecoderFails,
    ::testing::Values(
        Case{"TitleNumber", R"("Hello")", "5", K::typeMismatch, "title"},
        Case{"TitleNull", R"("Hello")", "null", K::valueNotFound, "title"},
        Case{"TitleMissing", R"("title": "Hello",)", "", K::keyNotFound, ""},
        Case{"ScoreFraction", "-3", "-3.5", K::dataCorrupted, "score"},
        Case{"ScoreString", "-3", R"("-3")", K::typeMismatch, "score"},
        Case{"ScoreTooBig", "-3", "9223372036854775808", K::dataCorrupted, "score"},
        Case{"UnsignedNegative", "7", "-7", K::dataCorrupted, "num_comments"},
        Case{"UnsignedTooBig", "7", "4294967296", K::dataCorrupted, "num_comments"},
        Case{"RatioString", "0.97", R"("0.97")", K::typeMismatch, "upvote_ratio"},
        Case{"BoolNumber", "false", "0", K::typeMismatch, "over_18"},
        Case{"BoolString", "false", R"("false")", K::typeMismatch, "over_18"},
        Case{"FlairsNotArray", R"("flairs": [)", R"("flairs": 5, "x": [)", K::typeMismatch,
             "flairs"},
        Case{"NestedTextMissing", R"({"text": "b", )", "{", K::keyNotFound, "flairs[1]"},
        Case{"NestedWrongKind", R"("#fff")", "[]", K::typeMismatch, "flairs[1].color"},
        Case{"ElementNull", R"({"text": "a", "color": null})", "null", K::valueNotFound,
             "flairs[0]"}),
    [](const auto& info) { return info.param.name; });

TEST(Decoder, FloatsAcceptAnyNumberAndIntegersAnyIntegralForm) {
    EXPECT_DOUBLE_EQ(decode<double>("12").value(), 12.0);
    EXPECT_DOUBLE_EQ(decode<double>("1e-3").value(), 0.001);
    EXPECT_EQ(decode<std::int64_t>("1.0").value(), 1);
    EXPECT_EQ(decode<std::int64_t>("15e1").value(), 150);
    EXPECT_EQ(decode<std::uint8_t>("255").value(), 255);
    EXPECT_FALSE(decode<std::uint8_t>("256").ok());
    EXPECT_FALSE(decode<std::int8_t>("-129").ok());
}

TEST(Decoder, DecodeOptionalTreatsAbsentAndNullAlike) {
    auto flair = decode<Flair>(R"({"text": "t"})");
    ASSERT_TRUE(flair.ok());
    EXPECT_FALSE(flair->color);
    EXPECT_FALSE(decode<Flair>(R"({"text": "t", "color": 3})").ok());
}

TEST(Decoder, FirstErrorWins) {
    auto post = decode<Post>(R"({"title": 1, "score": "x"})");
    ASSERT_FALSE(post.ok());
    EXPECT_EQ(formatCodingPath(post.error().context.codingPath), "title");
}

TEST(Decoder, ReadsJSONThroughTheViewsInTheirOrder) {
    detail::DecodingState state;
    const char* text = R"({"c": true, "a": [1, "2", {"b": null}], "c": false})";
    auto document = Document::parse(text).value();
    Decoder decoder(document.root(), state);
    auto json = decoder.decodeAsJSON();
    ASSERT_TRUE(json.ok());
    EXPECT_EQ(json.value(), readJSON(text).value());
    // Written anew: compact, and each key once with its later value.
    auto raw = decoder.decodeAsRawData();
    EXPECT_EQ(raw.value(), R"({"a":[1,"2",{"b":null}],"c":false})");
}

TEST(Decoder, AttemptIsolatesAFailure) {
    detail::DecodingState state;
    auto document = Document::parse(R"({"text": 5})").value();
    Decoder decoder(document.root(), state);
    auto attempt = decoder.attempt<Flair>();
    ASSERT_FALSE(attempt.ok());
    EXPECT_EQ(attempt.error().kind, K::typeMismatch);
    EXPECT_FALSE(decoder.failed());
}

TEST(Decoder, UnkeyedContainerCountsAndStopsAtTheEnd) {
    detail::DecodingState state;
    auto document = Document::parse(R"([1, null, 3])").value();
    Decoder decoder(document.root(), state);
    auto c = decoder.unkeyedContainer();
    EXPECT_EQ(c.count(), 3);
    EXPECT_EQ(c.decode<int>(), 1);
    EXPECT_TRUE(c.decodeNil());
    EXPECT_EQ(c.decode<int>(), 3);
    EXPECT_TRUE(c.isAtEnd());
    c.decode<int>();
    EXPECT_EQ(state.error->kind, K::valueNotFound);
}

TEST(Decoder, KeyedContainerOnNullIsValueNotFound) {
    auto flair = decode<Flair>("null");
    ASSERT_FALSE(flair.ok());
    EXPECT_EQ(flair.error().kind, K::valueNotFound);
}

TEST(Decoder, DynamicCodingKeysListMembers) {
    detail::DecodingState state;
    auto document = Document::parse(R"({"z": 1, "a": 2})").value();
    Decoder decoder(document.root(), state);
    auto keys = decoder.keyedContainer().allKeys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].stringValue, "z");
    EXPECT_FALSE(keys[0].intValue);
    EXPECT_TRUE(DynamicCodingKeys::fromString("any text"));
    EXPECT_FALSE(DynamicCodingKeys::fromInt(0));
}

TEST(Decoder, NestedErrorCarriesItsUnderlyingError) {
    auto inner = std::make_shared<const DecodingError>(
        DecodingError::keyNotFound("k", {{CodingKey::member("x")}, "No value", nullptr}));
    auto outer = DecodingError::dataCorrupted({{}, "Failed", inner});
    EXPECT_EQ(
        outer.description(),
        R"(dataCorrupted(codingPath: "", "Failed", underlyingError: keyNotFound("k", codingPath: "x", "No value")))");
}

TEST(Encoding, WritesValuesThatReadBack) {
    std::vector<std::optional<std::int64_t>> values{1, std::nullopt, -9};
    EXPECT_EQ(encode(values), "[1,null,-9]");
    EXPECT_EQ(encode(0.1), "0.1");
    EXPECT_EQ(encode(std::string("q\"")), R"("q\"")");
    auto back = decode<std::vector<std::optional<std::int64_t>>>(encode(values));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value(), values);
}

}  // namespace
