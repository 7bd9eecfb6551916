#include <gtest/gtest.h>

#include "Basalt/log/LogCapture.h"
#include "Threadwork/model/Comment.h"
#include "support/Fixtures.h"

using namespace Threadwork;
using Basalt::JSON;

namespace {

std::string comment(const std::string& extra, const char* replies = R"("")") {
    return R"({"author": "a", "author_fullname": "t2_a", "body": "b", "created_utc": 1, "depth": 0,
        "downs": 0, "id": "c1", "is_submitter": false, "link_id": "t3_l", "locked": false,
        "name": "t1_c1", "parent_id": "t3_l", "permalink": "/r/x/c1", "replies": )" +
           std::string(replies) +
           R"(, "score": 1, "subreddit": "x", "subreddit_id": "t5_x", "subreddit_name_prefixed": "r/x",
        "ups": 1)" +
           extra + "}";
}

std::string more(const char* id, const char* name, const char* children,
                 const char* parent = "t3_l") {
    return std::string(R"({"children": )") + children + R"(, "count": 0, "depth": 1, "id": ")" +
           id + R"(", "name": ")" + name + R"(", "parent_id": ")" + parent + R"("})";
}

TEST(Comment, RepliesAsEmptyStringOrListing) {
    auto plain = Basalt::decode<Comment>(comment(""));
    ASSERT_TRUE(plain.ok()) << plain.error().description();
    ASSERT_TRUE(plain->value());
    EXPECT_TRUE(plain->value()->replies.empty());
    EXPECT_FALSE(plain->validate());

    std::string listing = R"({"kind": "Listing", "data": {"children": [{"kind": "t1", "data": )" +
                          comment("") + R"(}, {"kind": "more", "data": )" +
                          more("x", "t1_x", R"(["x"])", "t1_c1") + "}]}}";
    auto nested = Basalt::decode<Comment>(comment("", listing.c_str()));
    ASSERT_TRUE(nested.ok()) << nested.error().description();
    EXPECT_EQ(nested->value()->replies.size(), 2u);
    EXPECT_TRUE(nested->value()->replies[1].more());
}

TEST(Comment, AMalformedCommentFailsWithThePlaceholdersError) {
    std::string text = comment("");
    text.replace(text.find(R"("replies": "",)"), std::string(R"("replies": "",)").size(), "");
    auto broken = Basalt::decode<Comment>(text);
    ASSERT_FALSE(broken.ok());
    EXPECT_EQ(broken.error().subject, "children");
}

TEST(Comment, Validation) {
    auto deleted = Basalt::decode<Comment>(comment(R"(, "author_fullname": null)")).value();
    EXPECT_TRUE(deleted.validate());  // author "a" without a fullname
    std::string deletedText = comment(R"(, "author_fullname": null)");
    deletedText.replace(deletedText.find(R"("author": "a")"), 13, R"("author": "[deleted]")");
    EXPECT_FALSE(Basalt::decode<Comment>(deletedText)->validate());

    std::string otherId = comment("");
    otherId.replace(otherId.find(R"("id": "c1")"), 10, R"("id": "zz")");
    EXPECT_EQ(
        Basalt::decode<Comment>(otherId)->validate()->debugDescription,
        R"(id (zz) does not match name (ThingId(type: comment (raw: 't1'), identifier: "c1")))");
}

TEST(CommentMore, Validation) {
    struct Row {
        std::string text;
        std::string description;  // empty: passes
    };
    for (
        const auto& row : {
            Row{more("_", "t1__", "[]"), ""},
            Row{more("_", "t1__", R"(["a"])"),
                "got children but incomplete id ('_') and/or name ('t1__')"},
            Row{more("x", "t3_x", R"(["a"])"),
                R"(name is 'ThingId(type: link (raw: 't3'), identifier: "x")', expected 't1')"},
            Row{more("x", "t1_x", R"(["a"])", "t5_s"),
                R"(parent_id is 'ThingId(type: subreddit (raw: 't5'), identifier: "s")', expected 't3' or 't1')"},
            Row{more("x", "t1_x", "[]"),
                "got 0 children so expected incomplete id (got 'x') and name (got 't1_x')"},
        }) {
        auto node = Basalt::decode<Comment>(row.text);
        ASSERT_TRUE(node.ok()) << row.text;
        ASSERT_TRUE(node->more());
        auto e = node->validate();
        EXPECT_EQ(e ? e->debugDescription : "", row.description);
        if (e) EXPECT_EQ(e->context, "more");
    }
}

TEST(Comments, DropsAMalformedTopLevelCommentWithOneLogLine) {
    auto document = Basalt::readJSON(TestSupport::fixture("comments-06.json")).value();
    std::string links = Basalt::writeJSON(document.asArray()->front());
    std::string bad = comment("");
    bad.replace(bad.find(R"("body": "b",)"), 12, "");
    std::string second = R"({"kind": "Listing", "data": {"children": [{"kind": "t1", "data": )" +
                         comment("") + R"(}, {"kind": "more", "data": )" +
                         more("x", "t1_x", R"(["x"])") + R"(}, {"kind": "t1", "data": )" + bad +
                         "}]}}";
    Basalt::LogCapture capture;
    auto comments = Basalt::decode<Comments>("[" + links + "," + second + "]");
    ASSERT_TRUE(comments.ok()) << comments.error().description();
    EXPECT_EQ(comments->comments.size(), 2u);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_TRUE(capture.lines()[0].message.starts_with(
        "Failed to decode one of the comments in the response: "));
}

TEST(Comments, ResponsesWithoutALinkAreRejected) {
    for (
        const char* text :
        {R"({"not": "an array"})", "[]",
         R"([{"kind": "Listing", "data": {"children": []}}, {"kind": "Listing", "data": {"children": []}}])",
         R"([{"kind": "Listing", "data": {"children": [{"kind": "t3", "data": {}}]}}, 1])"}) {
        auto comments = Basalt::decode<Comments>(text);
        EXPECT_FALSE(comments.ok()) << text;
    }
    auto failed = Basalt::decode<Comments>(
        R"([{"kind": "Listing", "data": {"children": [{"kind": "t3", "data": {"x": 1}}]}}, ""])");
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().context.debugDescription,
              R"(Failed to decode link. Raw data: {"x":1})");
}

TEST(MoreComments, ErrorsAreLoggedAndKindsValidated) {
    Basalt::LogCapture capture;
    auto empty = Basalt::decode<MoreComments>(R"({"json": {"errors": []}})");
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty->comments().empty());
    EXPECT_FALSE(empty->validate());
    EXPECT_TRUE(capture.lines().empty());
    auto errors = Basalt::decode<MoreComments>(R"({"json": {"errors": [["RATELIMIT", "x"]]}})");
    ASSERT_TRUE(errors.ok());
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0].message,
              R"(Got an unexpected error inside MoreComments: [["RATELIMIT","x"]])");

    std::string thing =
        R"({"json": {"data": {"things": [{"kind": "t3", "data": )" + comment("") + "}]}}}";
    auto wrongKind = Basalt::decode<MoreComments>(thing).value().validate();
    ASSERT_TRUE(wrongKind);
    EXPECT_EQ(wrongKind->context, "moreComments");
    EXPECT_EQ(wrongKind->debugDescription, "got unexpected element kind 'link (raw: 't3')'");
}

TEST(Comments, DeeplyNestedRepliesFailCleanly) {
    std::string text = comment("");
    for (int i = 0; i < 300; ++i) {
        std::string listing =
            R"({"kind": "Listing", "data": {"children": [{"kind": "t1", "data": )" + text + "}]}}";
        text = comment("", listing.c_str());
    }
    auto deep = Basalt::decode<Comment>(text);
    EXPECT_FALSE(deep.ok());  // past the nesting limit, not a crash
}

}  // namespace
