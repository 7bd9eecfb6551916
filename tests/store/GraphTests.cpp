#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QThread>
#include <fstream>

#include "Tavrin/store/graph/Container.h"
#include "support/EventLoop.h"

using namespace Tavrin::Graph;
using TestSupport::waitUntil;

namespace {

Schema notesSchema() {
    Schema schema;
    schema.entities = {
        {"Folder",
         {{"name", AttributeType::text, false, true}},
         {{"notes", "Note", "folder", true}}},
        {"Note",
         {{"idRawValue", AttributeType::text, false, true},
          {"title", AttributeType::text},
          {"count", AttributeType::int64},
          {"when", AttributeType::date},
          {"data", AttributeType::bytes},
          {"vote", AttributeType::optionalBool},
          {"tags", AttributeType::textList}},
         {{"folder", "Folder", "notes", false}}},
    };
    return schema;
}

class Graph : public ::testing::Test {
protected:
    std::string path() const { return dir.filePath("RedditStore.sqlite").toStdString(); }
    std::shared_ptr<Container> open() {
        auto container = Container::open(path(), notesSchema());
        EXPECT_TRUE(container.ok()) << (container.ok() ? "" : container.error().description);
        return container.ok() ? container.value() : nullptr;
    }

    QTemporaryDir dir;
};

TEST(Schema, EveryRelationshipNeedsItsInverse) {
    Schema schema = notesSchema();
    EXPECT_EQ(schema.check(), "");
    schema.entities[1].relationships[0].inverse = "missing";
    EXPECT_NE(schema.check(), "");
}

TEST_F(Graph, ValuesOfEveryTypeSurviveASave) {
    auto container = open();
    auto context = container->viewContext();
    ObjectID folder = context->insert("Folder");
    context->setValue(folder, "name", std::string("inbox"));
    ObjectID note = context->insert("Note");
    context->setValue(note, "idRawValue", std::string("t3_a"));
    context->setValue(note, "count", std::int64_t(-7));
    context->setValue(note, "when", 1765400000.25);
    context->setValue(note, "data", QByteArray("\0\1\2", 3));
    context->setValue(note, "vote", false);
    context->setValue(note, "tags", std::vector<std::string>{"a,b", "", "c\n"});
    context->setToOne(note, "folder", folder);
    ASSERT_TRUE(context->save().ok());

    // A second container over the same file: only the store can answer.
    container.reset();
    context.reset();
    auto reopened = open();
    auto fresh = reopened->viewContext();
    EXPECT_EQ(fresh->value(note, "idRawValue"), Value(std::string("t3_a")));
    EXPECT_EQ(fresh->value(note, "count"), Value(std::int64_t(-7)));
    EXPECT_EQ(fresh->value(note, "when"), Value(1765400000.25));
    EXPECT_EQ(fresh->value(note, "data"), Value(QByteArray("\0\1\2", 3)));
    EXPECT_EQ(fresh->value(note, "vote"), Value(false));
    EXPECT_EQ(fresh->value(note, "tags"), Value(std::vector<std::string>{"a,b", "", "c\n"}));
    EXPECT_TRUE(isAbsent(fresh->value(note, "title")));
    EXPECT_EQ(fresh->toOne(note, "folder"), folder);
    // Keys are never handed out twice, across reopening too.
    EXPECT_GT(fresh->insert("Note").key, note.key);
}

TEST_F(Graph, ASecondSaveWithoutChangesWritesNothing) {
    auto container = open();
    auto context = container->viewContext();
    int notifications = 0;
    auto handle = context->objectsDidChange().subscribe([&](const ChangeSet&) { ++notifications; });
    context->setValue(context->insert("Note"), "title", std::string("x"));
    ASSERT_TRUE(context->save().ok());
    EXPECT_FALSE(context->hasChanges());
    ASSERT_TRUE(context->save().ok());
    EXPECT_EQ(notifications, 1);
}

TEST_F(Graph, ABackgroundSaveReachesTheViewContextOnItsThread) {
    auto container = open();
    auto view = container->viewContext();
    auto background = container->newBackgroundContext().value();
    std::optional<ChangeSet> seen;
    QThread* thread = nullptr;
    auto handle = view->objectsDidChange().subscribe([&](const ChangeSet& changes) {
        seen = changes;
        thread = QThread::currentThread();
    });
    ObjectID note;
    background->performAndWait([&] {
        note = background->insert("Note");
        background->setValue(note, "title", std::string("from the background"));
        ASSERT_TRUE(background->save().ok());
    });
    ASSERT_TRUE(waitUntil([&] { return seen.has_value(); }));
    EXPECT_EQ(thread, QThread::currentThread());
    EXPECT_TRUE(seen->inserted.count(note));
    // The object's identity is good in the other context.
    EXPECT_EQ(view->value(note, "title"), Value(std::string("from the background")));
}

TEST_F(Graph, AContextSeesOneSnapshotPerTurnAndTheNextTurnSeesNewSaves) {
    ObjectID first;
    {
        auto container = open();
        first = container->viewContext()->insert("Note");
        container->viewContext()->setValue(first, "title", std::string("first"));
        ASSERT_TRUE(container->viewContext()->save().ok());
    }
    auto container = open();
    auto view = container->viewContext();
    const FetchRequest notes{"Note", {}, {}, std::nullopt, 0, {}};
    // Read from the store: a row's statement steps once and stops.
    ASSERT_EQ(view->value(first, "title"), Value(std::string("first")));
    std::optional<ChangeSet> merged;
    auto handle = view->objectsDidChange().subscribe([&](const ChangeSet& c) { merged = c; });
    auto background = container->newBackgroundContext().value();
    background->performAndWait([&] {
        background->setValue(background->insert("Note"), "title", std::string("second"));
        ASSERT_TRUE(background->save().ok());
    });
    // The rest of this turn reads what the turn began with, as the merge has not come yet.
    EXPECT_EQ(view->count(notes), 1u);
    ASSERT_TRUE(waitUntil([&] { return merged.has_value(); }));
    EXPECT_EQ(view->count(notes), 2u);
    // Later turns are not held at an old snapshot either.
    merged.reset();
    background->performAndWait([&] {
        background->setValue(background->insert("Note"), "title", std::string("third"));
        ASSERT_TRUE(background->save().ok());
    });
    ASSERT_TRUE(waitUntil([&] { return merged.has_value(); }));
    EXPECT_EQ(view->count(notes), 3u);
}

TEST_F(Graph, TheStoreWinsPropertyByProperty) {
    auto container = open();
    auto view = container->viewContext();
    ObjectID note = view->insert("Note");
    view->setValue(note, "title", std::string("original"));
    view->setValue(note, "count", std::int64_t(1));
    ASSERT_TRUE(view->save().ok());

    // Unsaved changes of two properties on the main side.
    view->setValue(note, "title", std::string("main title"));
    view->setValue(note, "count", std::int64_t(2));
    auto background = container->newBackgroundContext().value();
    background->performAndWait([&] {
        background->setValue(note, "title", std::string("background title"));
        ASSERT_TRUE(background->save().ok());
    });
    ASSERT_TRUE(waitUntil(
        [&] { return view->value(note, "title") == Value(std::string("background title")); }));
    ASSERT_TRUE(view->save().ok());

    auto check = container->newBackgroundContext().value();
    check->performAndWait([&] {
        EXPECT_EQ(check->value(note, "title"), Value(std::string("background title")));
        EXPECT_EQ(check->value(note, "count"), Value(std::int64_t(2)));
    });
}

TEST_F(Graph, LocalChangesAreReportedOnceAtTheEndOfTheTurn) {
    auto container = open();
    auto view = container->viewContext();
    ObjectID saved = view->insert("Note");
    ASSERT_TRUE(view->save().ok());
    std::vector<ChangeSet> reports;
    auto handle =
        view->objectsDidChange().subscribe([&](const ChangeSet& c) { reports.push_back(c); });

    ObjectID added = view->insert("Note");
    view->setValue(added, "title", std::string("new"));
    view->setValue(saved, "count", std::int64_t(3));
    ObjectID gone = view->insert("Note");
    view->remove(gone);
    EXPECT_TRUE(reports.empty());  // not while the turn runs
    ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].inserted, std::set<ObjectID>{added});
    EXPECT_EQ(reports[0].updated, std::set<ObjectID>{saved});
    EXPECT_EQ(reports[0].changedProperties[saved], std::set<std::string>{"count"});
    EXPECT_TRUE(reports[0].deleted.empty());  // inserted and removed unseen

    // Writing a value the record already has is no change.
    view->setValue(saved, "count", std::int64_t(3));
    ASSERT_TRUE(view->save().ok());
    TestSupport::spin(std::chrono::milliseconds(20));
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(Graph, DeletingARecordEmptiesWhatPointedAtIt) {
    auto container = open();
    auto view = container->viewContext();
    ObjectID folder = view->insert("Folder");
    ObjectID note = view->insert("Note");
    view->setToOne(note, "folder", folder);
    ASSERT_TRUE(view->save().ok());
    std::vector<std::optional<ObjectID>> folders;
    auto handle =
        view->observeRelationship(note, "folder").subscribe([&](auto f) { folders.push_back(f); });

    auto background = container->newBackgroundContext().value();
    background->performAndWait([&] {
        background->remove(folder);
        ASSERT_TRUE(background->save().ok());
        EXPECT_EQ(background->toOne(note, "folder"), std::nullopt);
    });
    ASSERT_TRUE(waitUntil([&] { return folders.size() == 2; }));
    EXPECT_EQ(folders.back(), std::nullopt);
    EXPECT_EQ(view->toOne(note, "folder"), std::nullopt);
    EXPECT_FALSE(view->exists(folder));
    auto reopened = Container::open(path(), notesSchema()).value();
    EXPECT_EQ(reopened->viewContext()->toOne(note, "folder"), std::nullopt);
}

TEST_F(Graph, AFailedSaveKeepsTheChangesForTheNextOne) {
    auto container = open();
    auto context = container->viewContext();
    ObjectID note = context->insert("Note");
    context->setValue(note, "title", std::string("kept"));
    // Another writer takes the record's key: the insert fails and the transaction rolls back.
    SQLite::Database other(path(), SQLite::OPEN_READWRITE);
    other.exec("INSERT INTO ZNote (Z_PK) VALUES (" + std::to_string(note.key) + ")");
    auto failed = context->save();
    ASSERT_FALSE(failed.ok());
    EXPECT_TRUE(context->hasChanges());
    other.exec("DELETE FROM ZNote");
    auto retried = context->save();
    ASSERT_TRUE(retried.ok()) << retried.error().description;
    EXPECT_FALSE(context->hasChanges());
    auto check = container->newBackgroundContext().value();
    check->performAndWait(
        [&] { EXPECT_EQ(check->value(note, "title"), Value(std::string("kept"))); });
}

TEST_F(Graph, DeletesAreSavedAndMerged) {
    auto container = open();
    auto view = container->viewContext();
    ObjectID note = view->insert("Note");
    ASSERT_TRUE(view->save().ok());
    EXPECT_TRUE(view->exists(note));
    auto background = container->newBackgroundContext().value();
    background->performAndWait([&] {
        background->remove(note);
        EXPECT_FALSE(background->exists(note));
        ASSERT_TRUE(background->save().ok());
    });
    ASSERT_TRUE(waitUntil([&] { return !view->exists(note); }));
}

TEST_F(Graph, AFileThatIsNotAStoreIsRefusedAndKept) {
    const std::string garbage = "this is not a database, and it must survive\n";
    {
        std::ofstream out(path(), std::ios::binary);
        for (int i = 0; i < 200; ++i) out << garbage;
    }
    auto container = Container::open(path(), notesSchema());
    ASSERT_FALSE(container.ok());
    EXPECT_FALSE(container.error().description.empty());
    std::ifstream in(path(), std::ios::binary);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first + "\n", garbage);
}

TEST_F(Graph, AnotherProgramsDatabaseOrANewerStoreIsRefused) {
    {
        SQLite::Database other(path(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        other.exec("CREATE TABLE mine (x INTEGER)");
    }
    EXPECT_FALSE(Container::open(path(), notesSchema()).ok());

    QTemporaryDir second;
    const std::string newer = second.filePath("RedditStore.sqlite").toStdString();
    ASSERT_TRUE(Container::open(newer, notesSchema()).ok());
    {
        SQLite::Database db(newer, SQLite::OPEN_READWRITE);
        db.exec("PRAGMA user_version = 99");
    }
    auto refused = Container::open(newer, notesSchema());
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().description.find("newer"), std::string::npos);
}

TEST_F(Graph, MigrationsRunInOrderEachInATransaction) {
    ASSERT_TRUE(open());
    Schema next = notesSchema();
    next.version = 3;
    next.migrations = {{2, {"ALTER TABLE ZNote ADD COLUMN Z_extra TEXT"}},
                       {3, {"CREATE TABLE ZExtra (Z_PK INTEGER PRIMARY KEY)", "not valid sql"}}};
    auto failed = Container::open(path(), next);
    ASSERT_FALSE(failed.ok());
    SQLite::Database db(path(), SQLite::OPEN_READONLY);
    // Version 2 landed; version 3 rolled back as a whole.
    EXPECT_EQ(db.execAndGet("PRAGMA user_version").getInt(), 2);
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM sqlite_master WHERE name = 'ZExtra'").getInt(),
              0);
}

}  // namespace
