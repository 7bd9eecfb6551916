#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "Tavrin/store/graph/Container.h"

using namespace Tavrin::Graph;

namespace {

Schema feedSchema() {
    Schema schema;
    schema.entities = {
        {"Feed", {{"id", AttributeType::text, false, true}}, {{"pages", "Page", "feed", true}}},
        {"Page",
         {{"index", AttributeType::int16}},
         {{"feed", "Feed", "pages", false}, {"posts", "Post", "page", true}}},
        {"Post",
         {{"idRawValue", AttributeType::text, false, true},
          {"index", AttributeType::int16},
          {"title", AttributeType::text},
          {"score", AttributeType::int64}},
         {{"page", "Page", "posts", false}}},
    };
    return schema;
}

class Fetch : public ::testing::Test {
protected:
    void SetUp() override {
        container =
            Container::open(dir.filePath("RedditStore.sqlite").toStdString(), feedSchema()).value();
        context = container->viewContext();
    }

    ObjectID feed(const std::string& id) {
        ObjectID f = context->insert("Feed");
        context->setValue(f, "id", id);
        return f;
    }
    ObjectID page(ObjectID feed, int index) {
        ObjectID p = context->insert("Page");
        context->setValue(p, "index", std::int64_t(index));
        context->setToOne(p, "feed", feed);
        return p;
    }
    ObjectID post(ObjectID page, const std::string& id, int index, const std::string& title = "") {
        ObjectID p = context->insert("Post");
        context->setValue(p, "idRawValue", id);
        context->setValue(p, "index", std::int64_t(index));
        context->setValue(p, "title", title);
        context->setToOne(p, "page", page);
        return p;
    }
    std::vector<std::string> ids(const std::vector<ObjectID>& objects) {
        std::vector<std::string> out;
        for (auto o : objects)
            out.push_back(std::get<std::string>(context->value(o, "idRawValue")));
        return out;
    }
    FetchRequest postsOf(const std::string& feedId) {
        return {
            "Post", equals("page.feed.id", feedId), {{"page.index"}, {"index"}}, std::nullopt, 0,
            {}};
    }

    QTemporaryDir dir;
    std::shared_ptr<Container> container;
    std::shared_ptr<Context> context;
};

TEST_F(Fetch, FollowsKeyPathsAndSortsByThem) {
    ObjectID a = feed("A");
    ObjectID b = feed("B");
    ObjectID a1 = page(a, 1);
    ObjectID a0 = page(a, 0);
    post(a1, "t3_z", 0);
    post(a0, "t3_y", 5);
    post(a0, "t3_x", 2);
    post(page(b, 0), "t3_x", 0);  // the same link in another feed is another record

    for (bool saved : {false, true}) {
        if (saved) ASSERT_TRUE(context->save().ok());
        EXPECT_EQ(ids(context->fetch(postsOf("A"))),
                  (std::vector<std::string>{"t3_x", "t3_y", "t3_z"}))
            << saved;
        EXPECT_EQ(ids(context->fetch(postsOf("B"))), (std::vector<std::string>{"t3_x"})) << saved;
        FetchRequest inFeed{
            "Post",
            equals("idRawValue", std::string("t3_x")) && equals("page.feed.id", std::string("B")),
            {},
            std::nullopt,
            0,
            {}};
        EXPECT_EQ(context->count(inFeed), 1u) << saved;
        FetchRequest lastPage{"Page", equals("feed.id", std::string("A")), {{"index", false}}, 1, 0,
                              {}};
        auto last = context->fetch(lastPage);
        ASSERT_EQ(last.size(), 1u);
        EXPECT_EQ(last[0], a1) << saved;
    }
}

TEST_F(Fetch, SeesUnsavedInsertsChangesAndDeletes) {
    ObjectID f = feed("A");
    ObjectID p = page(f, 0);
    ObjectID kept = post(p, "t3_a", 0);
    ObjectID removed = post(p, "t3_b", 1);
    ObjectID moved = post(p, "t3_c", 2);
    ASSERT_TRUE(context->save().ok());

    context->remove(removed);
    context->setValue(moved, "idRawValue", std::string("t3_renamed"));
    ObjectID fresh = post(p, "t3_d", 3);
    EXPECT_EQ(ids(context->fetch(postsOf("A"))),
              (std::vector<std::string>{"t3_a", "t3_renamed", "t3_d"}));
    FetchRequest byOldName{"Post", equals("idRawValue", std::string("t3_c")), {}, std::nullopt, 0,
                           {}};
    EXPECT_EQ(context->count(byOldName), 0u);
    FetchRequest byNewName{
        "Post", equals("idRawValue", std::string("t3_renamed")), {}, std::nullopt, 0, {}};
    EXPECT_EQ(context->fetch(byNewName), std::vector<ObjectID>{moved});
    EXPECT_NE(kept, fresh);
}

TEST_F(Fetch, RelationshipsCompareWithRecordsAndIntegersOrder) {
    ObjectID f = feed("A");
    ObjectID p0 = page(f, 0);
    ObjectID p1 = page(f, 1);
    for (int i = 0; i < 5; ++i) post(p0, "t3_" + std::to_string(i), i);
    post(p1, "t3_other", 0);
    ASSERT_TRUE(context->save().ok());
    FetchRequest onPage{
        "Post",
        equalsObject("page", p0) && where("index", Comparison::Op::greater, std::int64_t(2)),
        {{"index"}},
        std::nullopt,
        0,
        {}};
    EXPECT_EQ(ids(context->fetch(onPage)), (std::vector<std::string>{"t3_3", "t3_4"}));
}

TEST_F(Fetch, CaseInsensitiveSort) {
    ObjectID p = page(feed("A"), 0);
    post(p, "1", 0, "banana");
    post(p, "2", 1, "Apple");
    post(p, "3", 2, "cherry");
    FetchRequest byTitle{"Post", {}, {{"title", true, true}}, std::nullopt, 0, {}};
    std::vector<std::string> titles;
    for (auto o : context->fetch(byTitle))
        titles.push_back(std::get<std::string>(context->value(o, "title")));
    EXPECT_EQ(titles, (std::vector<std::string>{"Apple", "banana", "cherry"}));
}

TEST_F(Fetch, UpsertingByAnIndexedAttributeFindsUnsavedRecords) {
    ObjectID p = page(feed("A"), 0);
    ASSERT_TRUE(context->save().ok());
    // Insert or update by identifier, one query each, all in one context before one save.
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 2000; ++i) {
            const std::string id = "t1_" + std::to_string(i);
            auto found = context->fetch({"Post", equals("idRawValue", id), {}, 1, 0, {}});
            ObjectID object = found.empty() ? post(p, id, i) : found.front();
            context->setValue(object, "title", "round " + std::to_string(round));
        }
    }
    EXPECT_EQ(context->count({"Post", {}, {}, std::nullopt, 0, {}}), 2000u);
    ASSERT_TRUE(context->save().ok());
    EXPECT_EQ(
        context->count({"Post", equals("title", std::string("round 1")), {}, std::nullopt, 0, {}}),
        2000u);
}

TEST_F(Fetch, SortsAlikeInTheStoreAndOverUnsavedChanges) {
    ObjectID f = feed("A");
    ObjectID p0 = page(f, 1);
    ObjectID p1 = page(f, 0);
    post(p0, "t3_a", 2, "pear");
    post(p0, "t3_b", 1, "");
    ObjectID untitled = post(p1, "t3_c", 1, "apple");
    post(p1, "t3_d", 0, "pear");
    post(p0, "t3_e", 1, "fig");
    ASSERT_TRUE(context->save().ok());
    context->setValue(untitled, "title", Value{});
    ASSERT_TRUE(context->save().ok());

    const std::vector<std::pair<std::vector<SortDescriptor>, std::optional<int>>> cases = {
        {{{"title"}}, std::nullopt},
        {{{"title", false}}, std::nullopt},
        {{{"page.index", false}, {"index"}}, std::nullopt},
        {{{"index"}}, std::nullopt},  // ties keep the order of insertion
        {{{"title"}, {"idRawValue", false}}, 3},
    };
    for (const auto& [sort, limit] : cases) {
        FetchRequest request{"Post", {}, sort, limit, 0, {}};
        const auto byStore = ids(context->fetch(request));
        // An unrelated unsaved record: the same request is now answered in memory.
        ObjectID other = feed("unrelated");
        EXPECT_EQ(ids(context->fetch(request)), byStore) << sort.front().keyPath;
        context->remove(other);
        EXPECT_EQ(byStore.size(), std::size_t(limit.value_or(5)));
    }
}

TEST_F(Fetch, AnUnsavedChangeAlongAKeyPathCounts) {
    ObjectID a = feed("A");
    ObjectID b = feed("B");
    ObjectID pageOfA = page(a, 0);
    ObjectID pageOfB = page(b, 0);
    post(pageOfA, "t3_a", 0);
    post(pageOfB, "t3_b", 0);
    ASSERT_TRUE(context->save().ok());
    // The posts are untouched; their page moves to another feed.
    context->setToOne(pageOfB, "feed", a);
    EXPECT_EQ(ids(context->fetch(postsOf("A"))), (std::vector<std::string>{"t3_a", "t3_b"}));
    EXPECT_TRUE(context->fetch(postsOf("B")).empty());
    context->setValue(a, "id", std::string("renamed"));
    EXPECT_TRUE(context->fetch(postsOf("A")).empty());
    EXPECT_EQ(context->count(postsOf("renamed")), 2u);
}

TEST_F(Fetch, BatchedAndPrefetchedRowsReadTheRightColumns) {
    ObjectID f = feed("A");
    std::vector<ObjectID> pages = {page(f, 7), page(f, 8)};
    for (int i = 0; i < 5; ++i)
        post(pages[std::size_t(i % 2)], "t3_" + std::to_string(i), i, "title " + std::to_string(i));
    ASSERT_TRUE(context->save().ok());
    // A fresh container, so that every row comes from the store.
    context.reset();
    container.reset();
    SetUp();
    FetchRequest request{"Post", {}, {{"index"}}, std::nullopt, 2, {"page"}};
    const auto posts = context->fetch(request);
    ASSERT_EQ(posts.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const ObjectID post = posts[std::size_t(i)];
        EXPECT_EQ(context->value(post, "title"), Value("title " + std::to_string(i)));
        EXPECT_EQ(context->toOne(post, "page"), pages[std::size_t(i % 2)]);
        EXPECT_EQ(context->value(*context->toOne(post, "page"), "index"),
                  Value(std::int64_t(7 + i % 2)));
    }
    FetchRequest eager{"Post", {}, {{"index", false}}, 2, 0, {"page"}};
    EXPECT_EQ(ids(context->fetch(eager)), (std::vector<std::string>{"t3_4", "t3_3"}));
}

TEST_F(Fetch, TheStoreAndTheMemoryAgreeOnEveryPredicate) {
    ObjectID f = feed("A");
    ObjectID p0 = page(f, 0);
    ObjectID p1 = page(f, 1);
    std::vector<ObjectID> posts = {post(p0, "t3_a", 0, "pear"), post(p0, "t3_b", 1, "fig"),
                                   post(p1, "t3_c", 2, "pear"), post(p1, "t3_d", 3, "")};
    ObjectID untitled = post(p1, "t3_e", 4);
    context->setValue(untitled, "title", Value{});
    ObjectID homeless = context->insert("Post");
    context->setValue(homeless, "idRawValue", std::string("t3_f"));
    posts.push_back(untitled);
    posts.push_back(homeless);
    ASSERT_TRUE(context->save().ok());

    using Op = Comparison::Op;
    const std::vector<std::tuple<const char*, Predicate, std::vector<std::string>>> cases = {
        {"not equal, absent titles included",
         where("title", Op::notEqual, std::string("pear")),
         {"t3_b", "t3_d", "t3_e", "t3_f"}},
        {"less, absent titles excluded",
         where("title", Op::less, std::string("g")),
         {"t3_b", "t3_d"}},
        {"absent", equals("title", Value{}), {"t3_e", "t3_f"}},
        {"present", where("title", Op::notEqual, Value{}), {"t3_a", "t3_b", "t3_c", "t3_d"}},
        {"or",
         equals("idRawValue", std::string("t3_a")) ||
             where("index", Op::greaterOrEqual, std::int64_t(3)),
         {"t3_a", "t3_d", "t3_e"}},
        {"and of ors",
         (equals("title", std::string("pear")) || equals("title", std::string("fig"))) &&
             (equalsObject("page", p1) || equals("index", std::int64_t(1))),
         {"t3_b", "t3_c"}},
        {"through a relationship",
         where("page.index", Op::notEqual, std::int64_t(0)),
         {"t3_c", "t3_d", "t3_e", "t3_f"}},
        {"to no page", Predicate{{Comparison{"page", Op::equal, {}, std::nullopt}}, {}}, {"t3_f"}},
        {"to some page",
         Predicate{{Comparison{"page", Op::notEqual, {}, std::nullopt}}, {}},
         {"t3_a", "t3_b", "t3_c", "t3_d", "t3_e"}},
    };
    for (const auto& [name, predicate, expected] : cases) {
        FetchRequest request{"Post", predicate, {{"idRawValue"}}, std::nullopt, 0, {}};
        const auto byStore = ids(context->fetch(request));
        EXPECT_EQ(byStore, expected) << name;
        // Every post changed in an attribute no predicate reads: all are judged in memory.
        for (auto p : posts) context->setValue(p, "score", std::int64_t(name[0]));
        EXPECT_EQ(ids(context->fetch(request)), byStore) << name;
        ASSERT_TRUE(context->save().ok());
    }
}

}  // namespace
