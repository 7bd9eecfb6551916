#pragma once

#include <SQLiteCpp/Database.h>
#include <functional>
#include <memory>
#include <string>

#include "Basalt/Result.h"
#include "Tavrin/store/graph/Schema.h"

namespace Tavrin::Graph {

// Why the store could not be opened or written.
struct StoreError {
    std::string description;
};

// One SQLite connection to the store file, in WAL mode. Every context has its own.
class StoreConnection {
public:
    // Opens (creating when absent) the file and brings it to the schema's version, each step in
    // a transaction. A file that is not a store of ours, or a damaged one, is an error and is
    // left untouched.
    static Basalt::Result<std::unique_ptr<StoreConnection>, StoreError> open(
        const std::string& path, const Schema& schema);

    SQLite::Database& database() { return *database_; }

    // A read transaction, so that a run of queries sees one snapshot and takes the file's read
    // lock once. Nothing happens when a transaction is already open. The caller resets its
    // statements before ending it: a statement left mid-step would keep the snapshot alive.
    void beginRead();
    void endRead();
    bool isReading() const { return reading_; }

    // Runs work in one IMMEDIATE transaction: committed when it returns true, rolled back when
    // it returns false or throws. An open read transaction is ended first.
    Basalt::Result<Basalt::Unit, StoreError> transaction(
        const std::function<bool(SQLite::Database&)>& work);

private:
    explicit StoreConnection(std::unique_ptr<SQLite::Database> database)
        : database_(std::move(database)) {}
    Basalt::Result<Basalt::Unit, StoreError> prepare(const Schema& schema);

    std::unique_ptr<SQLite::Database> database_;
    bool reading_ = false;
};

}  // namespace Tavrin::Graph
