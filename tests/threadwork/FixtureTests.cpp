#include <gtest/gtest.h>

#include "Basalt/log/LogCapture.h"
#include "Threadwork/model/Comment.h"
#include "Threadwork/model/Subreddit.h"
#include "support/Fixtures.h"

using namespace Threadwork;

namespace {

struct TreeCount {
    int comments = 0;
    int more = 0;
};

void count(const std::vector<Comment>& nodes, TreeCount& total) {
    for (const auto& node : nodes) {
        if (const auto* value = node.value()) {
            ++total.comments;
            count(value->replies, total);
        } else {
            ++total.more;
        }
    }
}

struct ListingCase {
    const char* file;
    int kept;
    int dropped;
};

std::ostream& operator<<(std::ostream& out, const ListingCase& c) {
    return out << c.file;
}

class LinkListingFixtures : public ::testing::TestWithParam<ListingCase> {};

TEST_P(LinkListingFixtures, KeepAndDropTheRecordedChildren) {
    Basalt::LogCapture capture;
    auto listing = Basalt::decode<Listing<Link>>(TestSupport::fixture(GetParam().file));
    ASSERT_TRUE(listing.ok()) << listing.error().description();
    auto links = extractElements(listing->data.children);
    EXPECT_EQ(int(links.size()), GetParam().kept);
    EXPECT_EQ(int(listing->data.children.size() - links.size()), GetParam().dropped);
    // One error line per dropped child; every kept link has its raw data.
    EXPECT_EQ(int(capture.lines().size()), GetParam().dropped);
    for (const auto& link : links) EXPECT_TRUE(link.rawData);
}

// Every recorded link listing, 2020 to 2026, keeps all its children.
INSTANTIATE_TEST_SUITE_P(Recorded, LinkListingFixtures,
                         ::testing::Values(ListingCase{"listing-all-new-01.json", 100, 0},
                                           ListingCase{"listing-best-01.json", 100, 0},
                                           ListingCase{"listing-best-02.json", 25, 0},
                                           ListingCase{"listing-domain-hot-01.json", 100, 0},
                                           ListingCase{"listing-frontpage-01.json", 100, 0},
                                           ListingCase{"listing-hot-01.json", 100, 0},
                                           ListingCase{"listing-new-01.json", 100, 0},
                                           ListingCase{"listing-popular-hot-01.json", 100, 0},
                                           ListingCase{"listing-popular-hot-02.json", 100, 0},
                                           ListingCase{"listing-subreddit-controversial-01.json",
                                                       100, 0},
                                           ListingCase{"listing-subreddit-hot-01.json", 100, 0},
                                           ListingCase{"listing-subreddit-hot-02.json", 2, 0},
                                           ListingCase{"listing-subreddit-hot-03.json", 10, 0},
                                           ListingCase{"listing-subreddit-new-01.json", 100, 0},
                                           ListingCase{"listing-subreddit-rising-01.json", 100, 0},
                                           ListingCase{"listing-subreddit-top-01.json", 8, 0},
                                           ListingCase{"listing-top-01.json", 100, 0}));

class SubredditListingFixtures : public ::testing::TestWithParam<ListingCase> {};

TEST_P(SubredditListingFixtures, KeepAndDropTheRecordedChildren) {
    Basalt::LogCapture capture;
    auto listing = Basalt::decode<Listing<Subreddit>>(TestSupport::fixture(GetParam().file));
    ASSERT_TRUE(listing.ok()) << listing.error().description();
    auto subreddits = extractElements(listing->data.children);
    EXPECT_EQ(int(subreddits.size()), GetParam().kept);
    EXPECT_EQ(int(listing->data.children.size() - subreddits.size()), GetParam().dropped);
}

INSTANTIATE_TEST_SUITE_P(Recorded, SubredditListingFixtures,
                         // The 2016 recording lacks display_name_prefixed: all dropped.
                         ::testing::Values(ListingCase{"subscriber-01.json", 100, 0},
                                           ListingCase{"subreddits-mine-contributor-01.json", 0,
                                                       10},
                                           ListingCase{"subreddits-mine-moderator-01.json", 2, 0}));

struct CommentsCase {
    const char* file;
    bool decodes;
    int topLevel;
    int inTree;
    int more;
};

std::ostream& operator<<(std::ostream& out, const CommentsCase& c) {
    return out << c.file;
}

class CommentsFixtures : public ::testing::TestWithParam<CommentsCase> {};

TEST_P(CommentsFixtures, DecodeToTheRecordedTree) {
    Basalt::LogCapture capture;
    auto comments = Basalt::decode<Comments>(TestSupport::fixture(GetParam().file));
    ASSERT_EQ(comments.ok(), GetParam().decodes)
        << (comments.ok() ? "" : comments.error().description());
    if (!comments.ok()) return;
    TreeCount total;
    count(comments->comments, total);
    EXPECT_EQ(int(comments->comments.size()), GetParam().topLevel);
    EXPECT_EQ(total.comments, GetParam().inTree);
    EXPECT_EQ(total.more, GetParam().more);
}

INSTANTIATE_TEST_SUITE_P(Recorded, CommentsFixtures,
                         ::testing::Values(CommentsCase{"comments-01.json", true, 0, 0, 0},
                                           CommentsCase{"comments-02.json", true, 0, 0, 0},
                                           CommentsCase{"comments-03.json", true, 0, 0, 0},
                                           CommentsCase{"comments-04.json", true, 0, 0, 0},
                                           CommentsCase{"comments-05.json", true, 1, 69, 0},
                                           // 06 to 08 carry null flair colours on their links.
                                           CommentsCase{"comments-06.json", true, 2, 2, 0},
                                           CommentsCase{"comments-07.json", true, 2, 2, 0},
                                           CommentsCase{"comments-08.json", true, 1, 2, 0},
                                           CommentsCase{"comments-09.json", true, 3, 6, 0},
                                           CommentsCase{"comments-10.json", true, 8, 44, 0},
                                           CommentsCase{"comments-11.json", true, 43, 199, 112},
                                           CommentsCase{"comments-12.json", true, 95, 489, 223},
                                           CommentsCase{"comments-13.json", true, 1, 10, 1},
                                           CommentsCase{"comments-14.json", true, 0, 0, 0},
                                           CommentsCase{"comments-15.json", true, 4, 8, 0},
                                           CommentsCase{"comments-16.json", true, 0, 0, 0},
                                           CommentsCase{"comments-17.json", true, 0, 0, 0},
                                           CommentsCase{"comments-18.json", true, 516, 1371, 16}));

class MoreCommentsFixtures : public ::testing::TestWithParam<CommentsCase> {};

TEST_P(MoreCommentsFixtures, DecodeToTheRecordedThings) {
    auto more = Basalt::decode<MoreComments>(TestSupport::fixture(GetParam().file));
    ASSERT_EQ(more.ok(), GetParam().decodes) << (more.ok() ? "" : more.error().description());
    if (!more.ok()) return;
    TreeCount total;
    count(more->comments(), total);
    EXPECT_EQ(int(more->comments().size()), GetParam().topLevel);
    EXPECT_EQ(total.comments, GetParam().inTree);
    EXPECT_EQ(total.more, GetParam().more);
}

INSTANTIATE_TEST_SUITE_P(Recorded, MoreCommentsFixtures,
                         ::testing::Values(CommentsCase{"morechildren-01.json", true, 98, 97, 1},
                                           CommentsCase{"morechildren-02.json", true, 196, 100, 96},
                                           CommentsCase{"morechildren-03.json", true, 22, 22, 0},
                                           CommentsCase{"morechildren-04.json", true, 0, 0, 0},
                                           // Recorded 2016-2017: comments lack required members,
                                           // and one bad comment fails the whole response.
                                           CommentsCase{"morechildren-05.json", false, 0, 0, 0},
                                           CommentsCase{"morechildren-06.json", false, 0, 0, 0},
                                           CommentsCase{"morechildren-07.json", true, 7, 7, 0},
                                           CommentsCase{"morechildren-08.json", false, 0, 0, 0},
                                           CommentsCase{"morechildren-09.json", true, 3, 3, 0}));

// Links whose flair colours are null read as no colour instead of being lost.
TEST(NullFlairColours, ReadAsNoColour) {
    int nullColours = 0;
    for (const char* file : {"listing-frontpage-01.json", "listing-popular-hot-01.json"}) {
        auto document = Basalt::readJSON(TestSupport::fixture(file)).value();
        auto listing = Basalt::decode<Listing<Link>>(TestSupport::fixture(file)).value();
        const auto& children =
            *document.asObject()->find("data")->asObject()->find("children")->asArray();
        ASSERT_EQ(children.size(), listing.data.children.size());
        for (std::size_t i = 0; i < children.size(); ++i) {
            const auto& data = *children[i].asObject()->find("data")->asObject();
            const Link* link = listing.data.children[i].data.value();
            ASSERT_TRUE(link) << file << " child " << i;
            if (data.find("link_flair_text_color")->isNull()) {
                ++nullColours;
                EXPECT_EQ(link->link_flair_text_color, FlairTextColor::Case::none);
            }
            if (data.find("link_flair_background_color")->isNull()) {
                EXPECT_EQ(link->link_flair_background_color, "");
            }
        }
    }
    EXPECT_GT(nullColours, 0);
}

TEST(NullFlairColours, AnAbsentKeyIsStillAnError) {
    auto document = Basalt::readJSON(TestSupport::fixture("comments-06.json")).value();
    std::string text = TestSupport::fixture("comments-06.json");
    auto at = text.find("\"link_flair_text_color\": null");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, std::string("\"link_flair_text_color\": null").size(), "\"x_\": null");
    auto comments = Basalt::decode<Comments>(text);
    ASSERT_FALSE(comments.ok());
    ASSERT_TRUE(comments.error().context.underlyingError);
    EXPECT_EQ(comments.error().context.underlyingError->kind,
              Basalt::DecodingError::Kind::keyNotFound);
}

TEST(SearchNamesFixtures, ReadTheNames) {
    for (auto [file, count] :
         {std::pair{"search-names-01.json", 12}, std::pair{"search-names-02.json", 10}}) {
        auto result = Basalt::decode<SearchSubreddits>(TestSupport::fixture(file));
        ASSERT_TRUE(result.ok()) << file;
        EXPECT_EQ(int(result->names.size()), count) << file;
    }
}

}  // namespace
