#pragma once

#include <SQLiteCpp/Column.h>
#include <SQLiteCpp/Statement.h>

#include "Tavrin/store/graph/Schema.h"
#include "Tavrin/store/graph/Value.h"

namespace Tavrin::Graph {

// How values of each attribute type travel to and from SQLite columns.
void bindValue(SQLite::Statement& statement, int index, const Value& value, AttributeType type);
Value readValue(const SQLite::Column& column, AttributeType type);

}  // namespace Tavrin::Graph
