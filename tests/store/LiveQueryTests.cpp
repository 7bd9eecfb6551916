#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <set>

#include "Tavrin/store/graph/Container.h"
#include "Tavrin/store/graph/LiveQuery.h"
#include "support/EventLoop.h"

using namespace Tavrin::Graph;
using TestSupport::waitUntil;

namespace {

Schema itemSchema() {
    Schema schema;
    schema.entities = {
        {"Item", {{"rank", AttributeType::int64}, {"name", AttributeType::text}}, {}}};
    return schema;
}

class Live : public ::testing::Test {
protected:
    void SetUp() override {
        container =
            Container::open(dir.filePath("RedditStore.sqlite").toStdString(), itemSchema()).value();
        view = container->viewContext();
        query = std::make_unique<LiveQuery>(
            view, FetchRequest{"Item", {}, {{"rank"}}, std::nullopt, 0, {}});
        query->setDelegate(
            {[this] { events.push_back("will"); },
             [this](ObjectID, int old) { events.push_back("delete " + std::to_string(old)); },
             [this](ObjectID, int at) { events.push_back("insert " + std::to_string(at)); },
             [this](ObjectID, int from, int to) {
                 events.push_back("move " + std::to_string(from) + ">" + std::to_string(to));
             },
             [this](ObjectID, int at) { events.push_back("update " + std::to_string(at)); },
             [this] { events.push_back("did"); }});
    }

    ObjectID item(Context& context, int rank, const std::string& name) {
        ObjectID object = context.insert("Item");
        context.setValue(object, "rank", std::int64_t(rank));
        context.setValue(object, "name", name);
        return object;
    }

    QTemporaryDir dir;
    std::shared_ptr<Container> container;
    std::shared_ptr<Context> view;
    std::unique_ptr<LiveQuery> query;
    std::vector<std::string> events;
};

TEST_F(Live, ReportsInsertsDeletesMovesAndUpdatesAsADiff) {
    ObjectID a = item(*view, 10, "a");
    ObjectID b = item(*view, 20, "b");
    ObjectID c = item(*view, 30, "c");
    ASSERT_TRUE(view->save().ok());
    query->performFetch();
    EXPECT_EQ(query->objects(), (std::vector<ObjectID>{a, b, c}));

    const std::vector<ObjectID> before = query->objects();
    // Replays the reported changes on the old rows as a table would: deletes and move sources
    // by old index, inserts and move targets by new index, the rest in their old order.
    std::vector<std::pair<int, ObjectID>> placed;
    std::set<int> gone;
    query->setDelegate({[] {}, [&](ObjectID, int old) { gone.insert(old); },
                        [&](ObjectID o, int at) { placed.emplace_back(at, o); },
                        [&](ObjectID o, int from, int to) {
                            gone.insert(from);
                            placed.emplace_back(to, o);
                        },
                        [](ObjectID, int) {}, [] {}});

    view->setValue(a, "rank", std::int64_t(40));   // a goes to the end
    view->setValue(b, "name", std::string("b2"));  // b changes
    view->remove(c);
    ObjectID d = item(*view, 5, "d");
    ASSERT_TRUE(view->save().ok());

    const auto& after = query->objects();
    EXPECT_EQ(after, (std::vector<ObjectID>{d, b, a}));
    std::vector<std::optional<ObjectID>> rows(after.size());
    for (auto [at, o] : placed) rows[std::size_t(at)] = o;
    std::size_t next = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (gone.count(int(i))) continue;
        while (rows[next]) ++next;
        rows[next] = before[i];
    }
    for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(rows[i], after[i]) << i;
}

TEST_F(Live, AChangeInPlaceIsAnUpdate) {
    item(*view, 1, "a");
    ObjectID b = item(*view, 2, "b");
    ASSERT_TRUE(view->save().ok());
    query->performFetch();
    view->setValue(b, "name", std::string("b2"));
    ASSERT_TRUE(view->save().ok());
    EXPECT_EQ(events, (std::vector<std::string>{"will", "update 1", "did"}));
}

TEST_F(Live, ABackgroundSaveShowsUpWithNoCallOnTheMainSide) {
    query->performFetch();
    auto background = container->newBackgroundContext().value();
    background->perform([&] {
        item(*background, 1, "from the background");
        (void)background->save();
    });
    ASSERT_TRUE(waitUntil([&] { return query->objects().size() == 1; }));
    EXPECT_EQ(events, (std::vector<std::string>{"will", "insert 0", "did"}));
}

TEST_F(Live, UnsavedLocalEditsShowAfterTheTurn) {
    ObjectID a = item(*view, 10, "a");
    ASSERT_TRUE(view->save().ok());
    query->performFetch();
    item(*view, 5, "unsaved");
    view->setValue(a, "name", std::string("renamed"));
    ASSERT_TRUE(waitUntil([&] { return query->objects().size() == 2; }));
    EXPECT_EQ(events, (std::vector<std::string>{"will", "insert 0", "update 1", "did"}));
    // Saving them reports nothing new.
    events.clear();
    ASSERT_TRUE(view->save().ok());
    TestSupport::spin(std::chrono::milliseconds(20));
    EXPECT_TRUE(events.empty());
}

TEST_F(Live, ObservationSeesLocalWritesAndMerges) {
    ObjectID a = item(*view, 1, "first");
    ASSERT_TRUE(view->save().ok());
    std::vector<std::string> names;
    auto handle = view->observe(a, "name").subscribe(
        [&](const Value& v) { names.push_back(isAbsent(v) ? "-" : std::get<std::string>(v)); });
    view->setValue(a, "name", std::string("second"));
    auto background = container->newBackgroundContext().value();
    background->performAndWait([&] {
        background->setValue(a, "name", std::string("third"));
        ASSERT_TRUE(background->save().ok());
    });
    ASSERT_TRUE(waitUntil([&] { return names.size() == 3; }));
    EXPECT_EQ(names, (std::vector<std::string>{"first", "second", "third"}));
}

}  // namespace
