#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <csignal>
#include <fstream>

#include <atomic>
#include "Basalt/log/LogCapture.h"
#include "Tavrin/store/ManagedContextScheduler.h"
#include "Tavrin/store/RedditQueries.h"
#include "Tavrin/store/RedditRecords.h"
#include "Tavrin/store/RedditSchema.h"
#include "Tavrin/store/RedditStore.h"
#include "TavrinConfig.h"
#include "support/EventLoop.h"

using namespace Tavrin;
using Graph::Context;
using Threadwork::ThingId;

namespace {

class Store : public ::testing::Test {
protected:
    std::string path() const { return dir.filePath("RedditStore.sqlite").toStdString(); }
    std::shared_ptr<Context> view() { return store.persistentContainer()->viewContext(); }

    RedditFeed feed(const std::string& id) {
        auto f = insertRecord<RedditFeed>(view());
        f.setId(id);
        f.setCreatedAt(1);
        return f;
    }
    RedditPost post(const RedditFeed& feed, const std::string& fullname, int index) {
        auto page = insertRecord<RedditPage>(view());
        page.setFeed(feed.objectID());
        page.setIndex(0);
        auto p = insertRecord<RedditPost>(view());
        p.setId(*ThingId::fromRawValue(fullname));
        p.setIndex(index);
        p.setPage(page.objectID());
        return p;
    }

    QTemporaryDir dir;
    std::vector<std::string> stops;
    RedditStore store{path(), [this](const std::string& message) { stops.push_back(message); }};
};

TEST_F(Store, TypedAccessorsNeverFailOnText) {
    auto p = insertRecord<RedditPost>(view());
    view()->setValue(p.objectID(), "idRawValue", std::string("nounderscore"));
    EXPECT_EQ(p.id().rawValue(), ThingId::invalid().rawValue());
    EXPECT_FALSE(p.authorId());
    view()->setValue(p.objectID(), "authorIdRawValue", std::string("bad"));
    EXPECT_EQ(p.authorId()->rawValue(), "_");
    p.setPostHint(Threadwork::PostHint::fromRawValue("gallery"));
    EXPECT_EQ(p.postHint()->rawValue(), "gallery");
    EXPECT_TRUE(p.postHint()->isUnknown());

    auto page = insertRecord<RedditPage>(view());
    EXPECT_FALSE(page.after());
    page.setAfter(ThingId::fromRawValue("t3_next"));
    EXPECT_EQ(page.afterRawValue(), "t3_next");
    page.setAfter(std::nullopt);
    EXPECT_FALSE(page.afterRawValue());

    auto row = insertRecord<RedditCommentElement>(view());
    row.setMoreCount(3);
    EXPECT_TRUE(row.isMorePlaceholder());
}

TEST_F(Store, TwoFeedsHoldTheSameLinkAsTwoRecords) {
    auto a = feed("feed-a");
    auto b = feed("feed-b");
    auto inA = post(a, "t3_same", 0);
    auto inB = post(b, "t3_same", 0);
    store.save();
    EXPECT_NE(inA.objectID(), inB.objectID());
    EXPECT_EQ(view()->fetch(Queries::postsOfFeed("feed-a")),
              std::vector<Graph::ObjectID>{inA.objectID()});
    EXPECT_EQ(view()->fetch(Queries::postsOfFeed("feed-b")),
              std::vector<Graph::ObjectID>{inB.objectID()});
    EXPECT_EQ(view()->count(Queries::linkInFeed("t3_same", "feed-a")), 1u);
    EXPECT_EQ(view()->count(Queries::linkInFeed("t3_other", "feed-a")), 0u);
}

TEST_F(Store, SidebarOrderIgnoresCase) {
    for (const char* name : {"pics", "AskReddit", "linux"})
        insertRecord<RedditSubreddit>(view()).setName(name);
    std::vector<std::string> names;
    for (auto id : view()->fetch(Queries::sidebarSubreddits()))
        names.push_back(RedditSubreddit(view(), id).name());
    EXPECT_EQ(names, (std::vector<std::string>{"AskReddit", "linux", "pics"}));
}

TEST_F(Store, CommentRowsAfterAPlaceholder) {
    auto p = post(feed("f"), "t3_post", 0);
    for (int i = 0; i < 5; ++i) {
        auto row = insertRecord<RedditCommentElement>(view());
        row.setPost(p.objectID());
        row.setIndex(i);
    }
    store.save();
    EXPECT_EQ(view()->count(Queries::rowsAfterPlaceholder("t3_post", 2)), 2u);
    EXPECT_EQ(view()->fetch(Queries::commentRowsOfPost(p.objectID())).size(), 5u);
    EXPECT_EQ(view()->count(Queries::account()), 0u);
}

TEST_F(Store, SavingWithoutChangesDoesNothingAndTheFileIsWhereItBelongs) {
    store.save();
    EXPECT_TRUE(stops.empty());
    EXPECT_TRUE(std::ifstream(path()).good());
    EXPECT_EQ(RedditStore::defaultPath().substr(RedditStore::defaultPath().size() - 18),
              "RedditStore.sqlite");
}

TEST(StoreFile, ADamagedFileStopsWithTheMessageAndIsKept) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("RedditStore.sqlite").toStdString();
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string(4096, 'x');
    }
    std::vector<std::string> stops;
    RedditStore store(path, [&](const std::string& message) { stops.push_back(message); });
    EXPECT_FALSE(store.persistentContainer());
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].rfind("Unresolved error ", 0), 0u) << stops[0];
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, std::string(4096, 'x'));
}

TEST(StoreFile, AFileDamagedWhileOpenFailsReadsWithAnErrorLine) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("RedditStore.sqlite").toStdString();
    std::vector<std::string> stops;
    {
        RedditStore store(path, [&](const std::string& message) { stops.push_back(message); });
        auto view = store.persistentContainer()->viewContext();
        for (int i = 0; i < 2000; ++i)
            insertRecord<RedditSubreddit>(view).setName(std::string(200, char('a' + i % 26)));
        store.save();
    }
    RedditStore reopened(path, [&](const std::string& message) { stops.push_back(message); });
    auto fresh = reopened.persistentContainer()->viewContext();
    {
        // Another program scribbles over the file's pages.
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096 * 4);
        const std::string garbage(4096 * 40, '\x5a');
        file.write(garbage.data(), std::streamsize(garbage.size()));
    }
    Basalt::LogCapture capture;
    EXPECT_LT(fresh->fetch(Queries::sidebarSubreddits()).size(), 2000u);
    const auto lines = capture.messages(std::string(TavrinConfig::bundleId) + ".App");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(),
              "Failed to read the store: reading the store failed: database disk image is "
              "malformed");
    // Single records and saves fail the same way, as errors; nothing stops.
    (void)fresh->value({7, 1500}, "name");
    insertRecord<RedditSubreddit>(fresh).setName("after the damage");
    (void)fresh->save();
    EXPECT_TRUE(stops.empty());
}

// A process killed in the middle of a large save leaves the last committed state.
TEST(StoreFile, SurvivesAKillDuringASave) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("RedditStore.sqlite").toStdString();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        auto container = Graph::Container::open(path, redditSchema());
        if (!container) _exit(2);
        auto context = container.value()->viewContext();
        for (int i = 0; i < 100; ++i) insertRecord<RedditComment>(context).setBody("committed");
        if (!context->save()) _exit(3);
        for (int i = 0; i < 200000; ++i)
            insertRecord<RedditComment>(context).setBody("never committed");
        (void)!write(ready[1], "x", 1);
        (void)context->save();
        _exit(0);
    }
    close(ready[1]);
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    usleep(30000);  // into the large transaction
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);

    SQLite::Database check(path, SQLite::OPEN_READWRITE);
    EXPECT_EQ(check.execAndGet("PRAGMA integrity_check").getString(), "ok");
    const int remaining = check.execAndGet("SELECT count(*) FROM ZComment").getInt();
    // Either the kill came before the commit (the usual case) or after it: never in between.
    EXPECT_TRUE(remaining == 100 || remaining == 200100) << remaining;
    EXPECT_TRUE(Graph::Container::open(path, redditSchema()).ok());
}

}  // namespace

namespace {

TEST_F(Store, ToManyRelationshipsBothWays) {
    auto f = feed("f");
    auto first = insertRecord<RedditPage>(view());
    auto second = insertRecord<RedditPage>(view());
    view()->addToMany(f.objectID(), "pages", first.objectID());
    second.setFeed(f.objectID());
    EXPECT_EQ(view()->toMany(f.objectID(), "pages").size(), 2u);

    // Many-to-many: a gallery item shared by two posts.
    auto a = post(f, "t3_a", 0);
    auto b = post(f, "t3_b", 1);
    auto image = insertRecord<RedditGalleryItem>(view());
    view()->addToMany(a.objectID(), "galleryItems", image.objectID());
    view()->addToMany(image.objectID(), "posts", b.objectID());
    store.save();

    RedditStore reopened(store.persistentContainer()->path(), [](const std::string&) {});
    auto fresh = reopened.persistentContainer()->newBackgroundContext().value();
    fresh->performAndWait([&] {
        EXPECT_EQ(fresh->toMany(image.objectID(), "posts"),
                  (std::vector<Graph::ObjectID>{a.objectID(), b.objectID()}));
        EXPECT_EQ(fresh->toMany(b.objectID(), "galleryItems"),
                  std::vector<Graph::ObjectID>{image.objectID()});
        fresh->removeFromMany(b.objectID(), "galleryItems", image.objectID());
        EXPECT_EQ(fresh->toMany(image.objectID(), "posts"),
                  std::vector<Graph::ObjectID>{a.objectID()});
        EXPECT_TRUE(fresh->save().ok());
    });
    EXPECT_EQ(view()->toMany(image.objectID(), "posts"),
              std::vector<Graph::ObjectID>{a.objectID()});
}

TEST_F(Store, MembershipChangesAndDeletesReachTheOtherContext) {
    auto f = feed("f");
    auto a = post(f, "t3_a", 0);
    auto b = post(f, "t3_b", 1);
    auto image = insertRecord<RedditGalleryItem>(view());
    view()->addToMany(a.objectID(), "galleryItems", image.objectID());
    store.save();
    std::vector<std::vector<Graph::ObjectID>> seen;
    auto handle = view()->observeMembers(image.objectID(), "posts").subscribe([&](auto members) {
        seen.push_back(members);
    });
    std::optional<Graph::ChangeSet> merged;
    auto changes = view()->objectsDidChange().subscribe([&](const auto& c) { merged = c; });

    auto background = store.persistentContainer()->newBackgroundContext().value();
    background->performAndWait([&] {
        background->addToMany(image.objectID(), "posts", b.objectID());
        ASSERT_TRUE(background->save().ok());
    });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen.back(), (std::vector<Graph::ObjectID>{a.objectID(), b.objectID()}));
    EXPECT_EQ(merged->changedProperties[image.objectID()], std::set<std::string>{"posts"});
    EXPECT_EQ(merged->changedProperties[b.objectID()], std::set<std::string>{"galleryItems"});

    // A deleted image leaves no membership behind.
    background->performAndWait([&] {
        background->remove(image.objectID());
        ASSERT_TRUE(background->save().ok());
    });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return seen.size() == 3; }));
    EXPECT_TRUE(seen.back().empty());
    EXPECT_TRUE(view()->toMany(a.objectID(), "galleryItems").empty());
    EXPECT_TRUE(view()->toMany(b.objectID(), "galleryItems").empty());
}

TEST_F(Store, TheContextSchedulerRunsOnTheQueueAndDelaysNothing) {
    auto background = store.persistentContainer()->newBackgroundContext().value();
    ManagedContextScheduler scheduler(background);
    std::atomic<bool> onQueue{false};
    std::atomic<bool> done{false};
    scheduler.schedule([&] {
        onQueue = scheduler.isCurrent();
        done = true;
    });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return done.load(); }));
    EXPECT_TRUE(onQueue);
    bool ranHere = false;
    scheduler.scheduleAfter(std::chrono::seconds(10), [&] { ranHere = !scheduler.isCurrent(); });
    EXPECT_TRUE(ranHere);
}

}  // namespace
