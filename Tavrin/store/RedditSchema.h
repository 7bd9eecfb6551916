#pragma once

#include "Tavrin/store/graph/Schema.h"

namespace Tavrin {

// The eight entities of the store, version 1.
Graph::Schema redditSchema();

}  // namespace Tavrin
