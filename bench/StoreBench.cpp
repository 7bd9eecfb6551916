#include <benchmark/benchmark.h>

#include <SQLiteCpp/SQLiteCpp.h>
#include <QCoreApplication>
#include <QTemporaryDir>

#include "Tavrin/store/RedditQueries.h"
#include "Tavrin/store/RedditRecords.h"
#include "Tavrin/store/RedditSchema.h"
#include "Tavrin/store/graph/Container.h"
#include "Tavrin/store/graph/LiveQuery.h"

using namespace Tavrin;

namespace {

// A new store in a folder of its own.
std::shared_ptr<Graph::Container> openStore(const QTemporaryDir& dir) {
    return Graph::Container::open(dir.filePath("s.sqlite").toStdString(), redditSchema()).value();
}

// The anchor: the same rows with raw prepared statements in one transaction.
void BM_SqliteRawInsert(benchmark::State& state) {
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        auto container = openStore(dir);
        SQLite::Database db(dir.filePath("s.sqlite").toStdString(), SQLite::OPEN_READWRITE);
        db.exec("PRAGMA journal_mode=WAL");
        db.exec("PRAGMA synchronous=NORMAL");
        state.ResumeTiming();
        SQLite::Transaction transaction(db);
        SQLite::Statement comment(
            db,
            "INSERT INTO ZComment (Z_PK, Z_idRawValue, Z_parentIdRawValue, Z_authorName, "
            "Z_body, Z_timestamp, Z_numberOfUpvotes) VALUES (?, ?, ?, ?, ?, ?, ?)");
        SQLite::Statement element(
            db,
            "INSERT INTO ZCommentElement (Z_PK, Z_index, Z_depth, Z_moreCount, ZR_comment) "
            "VALUES (?, ?, ?, ?, ?)");
        for (int i = 1; i <= rows; ++i) {
            comment.bind(1, i);
            comment.bind(2, "t1_" + std::to_string(i));
            comment.bind(3, "t3_post");
            comment.bind(4, "author");
            comment.bind(5, "A comment body of a usual length, a sentence or two.");
            comment.bind(6, 1765400000.0);
            comment.bind(7, i);
            comment.exec();
            comment.reset();
            element.bind(1, i);
            element.bind(2, i);
            element.bind(3, i % 8);
            element.bind(4, 0);
            element.bind(5, i);
            element.exec();
            element.reset();
        }
        transaction.commit();
    }
    state.SetItemsProcessed(state.iterations() * rows * 2);
}

// The same rows through the engine: upsert each comment by its identifier (one query each),
// add its row, then save.
void BM_UpsertCommentTree(benchmark::State& state) {
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        auto container = openStore(dir);
        auto context = container->viewContext();
        state.ResumeTiming();
        for (int i = 1; i <= rows; ++i) {
            const std::string id = "t1_" + std::to_string(i);
            auto found = context->fetch(Queries::commentById(id));
            RedditComment comment = found.empty() ? insertRecord<RedditComment>(context)
                                                  : RedditComment(context, found[0]);
            comment.setId(*Threadwork::ThingId::fromRawValue(id));
            comment.setParentId(*Threadwork::ThingId::fromRawValue("t3_post"));
            comment.setAuthorName("author");
            comment.setBody("A comment body of a usual length, a sentence or two.");
            comment.setTimestamp(1765400000.0);
            comment.setNumberOfUpvotes(i);
            auto element = insertRecord<RedditCommentElement>(context);
            element.setIndex(i);
            element.setDepth(i % 8);
            element.setMoreCount(0);
            element.setComment(comment.objectID());
        }
        if (!context->save()) state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() * rows * 2);
}

// A post saved by the background context, merged into the view context's post list over many
// rows (the feed's live query, sorted by page and position), as a page arriving would.
void BM_LiveQueryRefresh(benchmark::State& state) {
    const int rows = int(state.range(0));
    QTemporaryDir dir;
    auto container = openStore(dir);
    auto background = container->newBackgroundContext().value();
    Graph::ObjectID lastPage;
    background->performAndWait([&] {
        auto feed = insertRecord<RedditFeed>(background);
        feed.setId("home");
        for (int p = 0; p * 25 < rows; ++p) {
            auto page = insertRecord<RedditPage>(background);
            page.setIndex(p);
            page.setFeed(feed.objectID());
            lastPage = page.objectID();
            for (int i = 0; i < 25 && p * 25 + i < rows; ++i) {
                auto post = insertRecord<RedditPost>(background);
                post.setTitle("post " + std::to_string(p * 25 + i));
                post.setIndex(i);
                post.setPage(page.objectID());
            }
        }
        (void)background->save();
    });
    Graph::LiveQuery query(container->viewContext(), Queries::postsOfFeed("home"));
    query.performFetch();
    int n = 0;
    for (auto _ : state) {
        const std::size_t before = query.objects().size();
        background->performAndWait([&] {
            auto post = insertRecord<RedditPost>(background);
            post.setTitle("added " + std::to_string(n));
            post.setIndex(25 + n++);
            post.setPage(lastPage);
            (void)background->save();
        });
        // The merge arrives on the main thread, as in the application.
        while (query.objects().size() == before) QCoreApplication::processEvents();
    }
    state.counters["rows"] = double(query.objects().size());
}

}  // namespace

BENCHMARK(BM_SqliteRawInsert)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpsertCommentTree)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveQueryRefresh)->Arg(5000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
