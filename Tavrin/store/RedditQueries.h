#pragma once

#include <string>

#include "Tavrin/store/graph/FetchRequest.h"

namespace Tavrin::Queries {

// Every query the program runs against the store.
Graph::FetchRequest lastPageOfFeed(const std::string& feedId);
Graph::FetchRequest linkInFeed(const std::string& linkFullname,
                               const std::string& feedId);  // count only
Graph::FetchRequest postsOfFeed(const std::string& feedId);
Graph::FetchRequest commentRowsOfPost(Graph::ObjectID post);
Graph::FetchRequest rowsAfterPlaceholder(const std::string& postFullname,
                                         std::int64_t placeholderIndex);
Graph::FetchRequest commentById(const std::string& commentFullname);
Graph::FetchRequest account();
Graph::FetchRequest sidebarSubreddits();

}  // namespace Tavrin::Queries
