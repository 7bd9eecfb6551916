#include "Tavrin/store/graph/StoreConnection.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

namespace Tavrin::Graph {

using Basalt::Result;
using Basalt::Unit;

Result<std::unique_ptr<StoreConnection>, StoreError> StoreConnection::open(const std::string& path,
                                                                           const Schema& schema) {
    if (auto problem = schema.check(); !problem.empty())
        return Basalt::fail(StoreError{"invalid schema: " + problem});
    std::unique_ptr<StoreConnection> connection;
    try {
        auto database =
            std::make_unique<SQLite::Database>(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        database->setBusyTimeout(5000);
        // The first statement reads the file header: a file that is not SQLite fails here.
        database->exec("PRAGMA journal_mode=WAL");
        database->exec("PRAGMA synchronous=NORMAL");
        database->exec("PRAGMA foreign_keys=OFF");
        connection.reset(new StoreConnection(std::move(database)));
    } catch (const std::exception& error) {
        return Basalt::fail(
            StoreError{std::string("cannot open the store at ") + path + ": " + error.what()});
    }
    auto prepared = connection->prepare(schema);
    if (!prepared) return Basalt::fail(std::move(prepared).error());
    return connection;
}

void StoreConnection::beginRead() {
    if (reading_ || !sqlite3_get_autocommit(database_->getHandle())) return;
    // Deferred: the snapshot is taken by the first query, not here.
    database_->exec("BEGIN");
    reading_ = true;
}

void StoreConnection::endRead() {
    if (!reading_) return;
    reading_ = false;
    // A read transaction has nothing to lose; a failure here only means it is already over.
    database_->tryExec("COMMIT");
}

Result<Unit, StoreError> StoreConnection::transaction(
    const std::function<bool(SQLite::Database&)>& work) {
    endRead();
    try {
        // IMMEDIATE: two connections reading then writing in deferred transactions would fail.
        database_->exec("BEGIN IMMEDIATE");
        bool commit = false;
        try {
            commit = work(*database_);
        } catch (...) {
            database_->exec("ROLLBACK");
            throw;
        }
        database_->exec(commit ? "COMMIT" : "ROLLBACK");
        if (!commit) return Basalt::fail(StoreError{"the transaction was abandoned"});
        return Unit{};
    } catch (const std::exception& error) {
        return Basalt::fail(StoreError{error.what()});
    }
}

Result<Unit, StoreError> StoreConnection::prepare(const Schema& schema) {
    int version = 0;
    int tables = 0;
    try {
        version = database_->execAndGet("PRAGMA user_version").getInt();
        tables = database_->execAndGet("SELECT count(*) FROM sqlite_master WHERE type = 'table'")
                     .getInt();
    } catch (const std::exception& error) {
        return Basalt::fail(StoreError{std::string("the store file is damaged: ") + error.what()});
    }
    if (version == 0 && tables > 0) {
        return Basalt::fail(
            StoreError{"the file holds a database that is not a store of this program"});
    }
    if (version > schema.version) {
        return Basalt::fail(StoreError{"the store was written by a newer version (store version " +
                                       std::to_string(version) + ", this program's " +
                                       std::to_string(schema.version) + ")"});
    }
    if (version == 0) {
        return transaction([&](SQLite::Database& db) {
            for (const auto& statement : creationStatements(schema)) db.exec(statement);
            db.exec("PRAGMA user_version = " + std::to_string(schema.version));
            return true;
        });
    }
    for (const auto& migration : schema.migrations) {
        if (migration.version <= version) continue;
        auto migrated = transaction([&](SQLite::Database& db) {
            for (const auto& statement : migration.statements) db.exec(statement);
            db.exec("PRAGMA user_version = " + std::to_string(migration.version));
            return true;
        });
        if (!migrated) {
            return Basalt::fail(StoreError{"migration to version " +
                                           std::to_string(migration.version) +
                                           " failed: " + migrated.error().description});
        }
    }
    return Unit{};
}

}  // namespace Tavrin::Graph
