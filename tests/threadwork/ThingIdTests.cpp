#include <gtest/gtest.h>

#include "Basalt/log/LogCapture.h"
#include "Threadwork/model/Comment.h"
#include "Threadwork/model/Subreddit.h"

using namespace Threadwork;
using Basalt::DecodingError;

namespace {

TEST(ThingId, ParsesAtTheFirstUnderscore) {
    struct Row {
        const char* text;
        ThingType type;
        const char* identifier;
    };
    for (const auto& row :
         {Row{"t3_abc", ThingType::Case::link, "abc"},
          Row{"t1_abc_def", ThingType::Case::comment, "abc_def"},
          Row{"_abc", ThingType::unknown(""), "abc"}, Row{"t3_", ThingType::Case::link, ""},
          Row{"t9_x", ThingType::unknown("t9"), "x"}, Row{"more_x", ThingType::Case::more, "x"}}) {
        auto id = ThingId::fromRawValue(row.text);
        ASSERT_TRUE(id) << row.text;
        EXPECT_EQ(id->type, row.type) << row.text;
        EXPECT_EQ(id->identifier, row.identifier) << row.text;
        EXPECT_EQ(id->rawValue(), row.text);
    }
    EXPECT_FALSE(ThingId::fromRawValue("abc"));
    EXPECT_EQ(ThingId::invalid().rawValue(), "_");
    EXPECT_EQ(ThingId::fromRawValue(ThingId::invalid().rawValue())->type, ThingType::unknown(""));
}

TEST(ThingId, PrintedForms) {
    EXPECT_EQ(ThingType(ThingType::Case::link).debugDescription(), "link (raw: 't3')");
    EXPECT_EQ(ThingType::fromRawValue("t9").debugDescription(), "t9 (raw: 't9')");
    EXPECT_EQ(ThingId::fromRawValue("t1_abc")->printed(),
              R"(ThingId(type: comment (raw: 't1'), identifier: "abc"))");
    EXPECT_EQ(ValidationError::inconsistency("best", "kind is 't1', expected 't3'")
                  .localizedDescription(),
              R"(inconsistency(context: "best", debugDescription: "kind is 't1', expected 't3'"))");
}

TEST(ThingId, ReadingTextWithoutUnderscoreFails) {
    auto id = Basalt::decode<ThingId>(R"("abc")");
    ASSERT_FALSE(id.ok());
    EXPECT_EQ(id.error().kind, DecodingError::Kind::dataCorrupted);
    EXPECT_EQ(id.error().context.debugDescription, "invalid thing id 'abc'");
}

const char* subreddit(const char* name, const char* extra = "") {
    static std::string text;
    text = std::string(R"({"created_utc": 1.5, "description": "d", "display_name": "x",
        "display_name_prefixed": "r/x", "id": "2qh1i", "name": ")") +
           name +
           R"(", "public_description": "p", "subscribers": 3, "title": "t", "url": "/r/x/")" +
           extra + "}";
    return text.c_str();
}

std::string listingOf(const std::string& children, const char* cursors = "") {
    return R"({"kind": "Listing", "data": {)" + std::string(cursors) + R"("children": [)" +
           children + "]}}";
}

TEST(Listing, OneBadChildDoesNotLoseThePage) {
    std::string bad = R"({"kind": "t5", "data": {"id": "broken"}})";
    std::string good = std::string(R"({"kind": "t5", "data": )") + subreddit("t5_2qh1i") + "}";
    auto listing = Basalt::decode<Listing<Subreddit>>(
        listingOf(good + "," + bad + "," + good, R"("after": null, )"));
    ASSERT_TRUE(listing.ok()) << listing.error().description();
    ASSERT_EQ(listing->data.children.size(), 3u);
    EXPECT_FALSE(listing->data.after);
    EXPECT_FALSE(listing->data.before);
    const auto* failure = listing->data.children[1].data.failure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->rawData, R"({"id":"broken"})");

    Basalt::LogCapture capture;
    EXPECT_EQ(extractElements(listing->data.children).size(), 2u);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_TRUE(capture.lines()[0].message.starts_with(
        "Failed to decode one of the elements in the response: keyNotFound"));
    EXPECT_TRUE(capture.lines()[0].message.ends_with("\nRaw data: {\"id\":\"broken\"}"));
}

TEST(Listing, EnvelopeErrorsFailThePage) {
    std::string good = std::string(R"({"kind": "t5", "data": )") + subreddit("t5_a") + "}";
    EXPECT_FALSE(
        Basalt::decode<Listing<Subreddit>>(listingOf(good, R"("after": "nounderscore", )")).ok());
    EXPECT_FALSE(Basalt::decode<Listing<Subreddit>>(listingOf(R"({"data": {}})")).ok());
    auto wrongKind = R"({"kind": "Thing", "data": {"children": []}})";
    EXPECT_FALSE(Basalt::decode<Listing<Subreddit>>(wrongKind).ok());
}

TEST(Listing, ValidationChecksCursorsAndKinds) {
    std::string good = std::string(R"({"kind": "t5", "data": )") + subreddit("t5_a") + "}";
    auto afterComment =
        Basalt::decode<Listing<Subreddit>>(listingOf(good, R"("after": "t1_x", )")).value();
    EXPECT_EQ(afterComment.validate()->debugDescription,
              "after is 'comment (raw: 't1')', expected 't5'");
    std::string wrongKind = std::string(R"({"kind": "t3", "data": )") + subreddit("t5_a") + "}";
    auto kind = Basalt::decode<Listing<Subreddit>>(listingOf(wrongKind)).value().validate();
    ASSERT_TRUE(kind);
    EXPECT_EQ(kind->context, "best");
    EXPECT_EQ(kind->debugDescription, "kind is 't3', expected 't5'");
}

TEST(ListingOrEmptyString, AcceptsAnyTextAndRejectsOtherKinds) {
    EXPECT_TRUE(Basalt::decode<ListingOrEmptyString<Comment>>(R"("")")->value.empty());
    EXPECT_TRUE(Basalt::decode<ListingOrEmptyString<Comment>>(R"("x")")->value.empty());
    auto number = Basalt::decode<ListingOrEmptyString<Comment>>("5");
    ASSERT_FALSE(number.ok());
    EXPECT_EQ(number.error().context.debugDescription,
              "failed to parse as empty string or Element of kind 'nil'");
    EXPECT_TRUE(number.error().context.underlyingError);
}

TEST(Subreddit, ReadsAndValidates) {
    auto s = Basalt::decode<Subreddit>(subreddit("t2_x", R"(, "description_html": null)"));
    ASSERT_TRUE(s.ok()) << s.error().description();
    EXPECT_FALSE(s->description_html);
    EXPECT_TRUE(s->rawData);
    auto e = s->validate();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->context, "r/x");
    EXPECT_EQ(e->debugDescription,
              R"(name is 'ThingId(type: account (raw: 't2'), identifier: "x")', expected 't5')");
}

TEST(Vocabulary, CaseListsAndCommentSort) {
    EXPECT_EQ(allSubredditSortOrders.size(), 5u);
    EXPECT_EQ(allSubredditSortOrders.front(), SubredditSortOrder::hot);
    EXPECT_EQ(allFrontpageSortOrders.size(), 6u);
    EXPECT_EQ(allFrontpageSortOrders.front(), FrontpageSortOrder::best);
    EXPECT_EQ(Basalt::decode<CommentSortOrder>(R"("qa")").value(), CommentSortOrder::Case::qa);
    auto odd = Basalt::decode<CommentSortOrder>(R"("blend")").value().validate();
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->context, "comment_sort_order");
    EXPECT_EQ(odd->debugDescription, "comment_sort_order got unknown value 'blend'");
}

}  // namespace
