#include "Tavrin/store/RedditSchema.h"

namespace Tavrin {

using Graph::AttributeType;

Graph::Schema redditSchema() {
    using T = AttributeType;
    Graph::Schema schema;
    schema.version = 1;
    schema.entities = {
        {"Account", {}, {{"subscribedSubreddits", "Subreddit", "account", true}}},
        {"Feed",
         {{"id", T::text, false, true},
          {"createdAt", T::date, false},
          {"frontpageSortOrderRawValue", T::text},
          {"frontpageCategoryRawValue", T::text},
          {"subreddit", T::text},
          {"subredditSortOrderRawValue", T::text}},
         {{"pages", "Page", "feed", true}}},
        {"Page",
         {{"afterRawValue", T::text},
          {"beforeRawValue", T::text},
          {"createdAt", T::date, false},
          {"index", T::int16, false}},
         {{"posts", "Post", "page", true}, {"feed", "Feed", "pages", false}}},
        {"Post",
         {{"idRawValue", T::text, false, true},
          {"authorIdRawValue", T::text},
          {"authorName", T::text, false},
          {"numberOfComments", T::int64},
          {"numberOfUpvotes", T::int64},
          {"voteStatusRawValue", T::optionalBool},
          {"postHintRawValue", T::text},
          {"previewImageUrl", T::address},
          {"mediaRawValue", T::bytes},
          {"selftext", T::text},
          {"subredditIdRawValue", T::text, false},
          {"subredditName", T::text, false},
          {"timestamp", T::date, false},
          {"title", T::text, false},
          {"url", T::address},
          {"permalink", T::text, false},
          {"rawData", T::bytes},
          {"createdAt", T::date, false},
          {"index", T::int16, false}},
         {{"galleryItems", "GalleryItem", "posts", true},
          {"page", "Page", "posts", false},
          {"comments", "Comment", "post", true},
          {"commentElements", "CommentElement", "post", true}}},
        {"GalleryItem",
         {{"index", T::int16}, {"url", T::address}, {"width", T::int64}, {"height", T::int64}},
         {{"posts", "Post", "galleryItems", true}}},
        {"Comment",
         {{"idRawValue", T::text, false, true},
          {"parentIdRawValue", T::text, false},
          {"authorIdRawValue", T::text},
          {"authorName", T::text, false},
          {"body", T::text, false},
          {"timestamp", T::date, false},
          {"numberOfUpvotes", T::int64},
          {"rawData", T::bytes}},
         {{"post", "Post", "comments", false},
          {"commentElements", "CommentElement", "comment", true}}},
        {"CommentElement",
         {{"index", T::int64},
          {"depth", T::int16},
          {"moreChildren", T::textList},
          {"moreCount", T::int64}},
         {{"post", "Post", "commentElements", false},
          {"comment", "Comment", "commentElements", false}}},
        {"Subreddit",
         {{"idRawValue", T::text, true, true},
          {"name", T::text},
          {"fullDescription", T::text},
          {"publicDescription", T::text},
          {"rawData", T::bytes},
          {"index", T::int16}},
         {{"account", "Account", "subscribedSubreddits", false}}},
    };
    return schema;
}

}  // namespace Tavrin
