#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Tavrin/store/Record.h"
#include "Threadwork/model/Link.h"

namespace Tavrin {

// The eight entities. Each wraps a record of a context; attributes holding an identifier or a
// vocabulary value as text carry the suffix RawValue and have a typed accessor without it.

class RedditAccount : public Record {
public:
    static constexpr const char* entityName = "Account";
    using Record::Record;
};

class RedditFeed : public Record {
public:
    static constexpr const char* entityName = "Feed";
    using Record::Record;

    std::string id() const { return requiredText("id"); }
    void setId(std::string id) { setText("id", std::move(id)); }
    std::optional<double> createdAt() const { return date("createdAt"); }
    void setCreatedAt(double seconds) { setDate("createdAt", seconds); }
    std::optional<std::string> frontpageSortOrderRawValue() const {
        return text("frontpageSortOrderRawValue");
    }
    void setFrontpageSortOrderRawValue(std::optional<std::string> v) {
        setText("frontpageSortOrderRawValue", std::move(v));
    }
    std::optional<std::string> frontpageCategoryRawValue() const {
        return text("frontpageCategoryRawValue");
    }
    void setFrontpageCategoryRawValue(std::optional<std::string> v) {
        setText("frontpageCategoryRawValue", std::move(v));
    }
    std::optional<std::string> subreddit() const { return text("subreddit"); }
    void setSubreddit(std::optional<std::string> v) { setText("subreddit", std::move(v)); }
    std::optional<std::string> subredditSortOrderRawValue() const {
        return text("subredditSortOrderRawValue");
    }
    void setSubredditSortOrderRawValue(std::optional<std::string> v) {
        setText("subredditSortOrderRawValue", std::move(v));
    }
};

class RedditPage : public Record {
public:
    static constexpr const char* entityName = "Page";
    using Record::Record;

    std::optional<std::string> afterRawValue() const { return text("afterRawValue"); }
    std::optional<std::string> beforeRawValue() const { return text("beforeRawValue"); }
    std::optional<Threadwork::ThingId> after() const { return optionalThingId("afterRawValue"); }
    void setAfter(const std::optional<Threadwork::ThingId>& id) { setThingId("afterRawValue", id); }
    std::optional<Threadwork::ThingId> before() const { return optionalThingId("beforeRawValue"); }
    void setBefore(const std::optional<Threadwork::ThingId>& id) {
        setThingId("beforeRawValue", id);
    }
    void setCreatedAt(double seconds) { setDate("createdAt", seconds); }
    int index() const { return int(integer("index")); }
    void setIndex(int index) { setInteger("index", index); }
    std::optional<Graph::ObjectID> feed() const { return toOne("feed"); }
    void setFeed(std::optional<Graph::ObjectID> feed) { setToOne("feed", feed); }
};

// What posts and comments share: a fullname and an author.
class AuthoredRecord : public Record {
public:
    using Record::Record;

    std::string idRawValue() const { return requiredText("idRawValue"); }
    Threadwork::ThingId id() const { return thingId("idRawValue"); }
    void setId(const Threadwork::ThingId& id) { setThingId("idRawValue", id); }
    std::optional<Threadwork::ThingId> authorId() const {
        return optionalThingId("authorIdRawValue");
    }
    void setAuthorId(const std::optional<Threadwork::ThingId>& id) {
        setThingId("authorIdRawValue", id);
    }
    std::string authorName() const { return requiredText("authorName"); }
    void setAuthorName(std::string name) { setText("authorName", std::move(name)); }
};

class RedditPost : public AuthoredRecord {
public:
    static constexpr const char* entityName = "Post";
    using AuthoredRecord::AuthoredRecord;

    std::int64_t numberOfComments() const { return integer("numberOfComments"); }
    void setNumberOfComments(std::int64_t n) { setInteger("numberOfComments", n); }
    std::int64_t numberOfUpvotes() const { return integer("numberOfUpvotes"); }
    void setNumberOfUpvotes(std::int64_t n) { setInteger("numberOfUpvotes", n); }
    std::optional<bool> voteStatusRawValue() const { return optionalBool("voteStatusRawValue"); }
    void setVoteStatusRawValue(std::optional<bool> v) { setOptionalBool("voteStatusRawValue", v); }
    std::optional<Threadwork::PostHint> postHint() const;
    void setPostHint(const std::optional<Threadwork::PostHint>& hint);
    std::optional<std::string> previewImageUrl() const { return text("previewImageUrl"); }
    void setPreviewImageUrl(std::optional<std::string> url) {
        setText("previewImageUrl", std::move(url));
    }
    std::optional<QByteArray> mediaRawValue() const { return bytes("mediaRawValue"); }
    void setMediaRawValue(std::optional<QByteArray> media) {
        setBytes("mediaRawValue", std::move(media));
    }
    std::optional<std::string> selftext() const { return text("selftext"); }
    void setSelftext(std::optional<std::string> text) { setText("selftext", std::move(text)); }
    Threadwork::ThingId subredditId() const { return thingId("subredditIdRawValue"); }
    void setSubredditId(const Threadwork::ThingId& id) { setThingId("subredditIdRawValue", id); }
    std::string subredditName() const { return requiredText("subredditName"); }
    void setSubredditName(std::string name) { setText("subredditName", std::move(name)); }
    std::optional<double> timestamp() const { return date("timestamp"); }
    void setTimestamp(double seconds) { setDate("timestamp", seconds); }
    std::string title() const { return requiredText("title"); }
    void setTitle(std::string title) { setText("title", std::move(title)); }
    std::optional<std::string> url() const { return text("url"); }
    void setUrl(std::optional<std::string> url) { setText("url", std::move(url)); }
    std::string permalink() const { return requiredText("permalink"); }
    void setPermalink(std::string permalink) { setText("permalink", std::move(permalink)); }
    std::optional<QByteArray> rawData() const { return bytes("rawData"); }
    void setRawData(std::optional<QByteArray> data) { setBytes("rawData", std::move(data)); }
    void setCreatedAt(double seconds) { setDate("createdAt", seconds); }
    int index() const { return int(integer("index")); }
    void setIndex(int index) { setInteger("index", index); }
    std::optional<Graph::ObjectID> page() const { return toOne("page"); }
    void setPage(std::optional<Graph::ObjectID> page) { setToOne("page", page); }
};

class RedditGalleryItem : public Record {
public:
    static constexpr const char* entityName = "GalleryItem";
    using Record::Record;

    int index() const { return int(integer("index")); }
    void setIndex(int index) { setInteger("index", index); }
    std::optional<std::string> url() const { return text("url"); }
    void setUrl(std::optional<std::string> url) { setText("url", std::move(url)); }
    std::int64_t width() const { return integer("width"); }
    void setWidth(std::int64_t w) { setInteger("width", w); }
    std::int64_t height() const { return integer("height"); }
    void setHeight(std::int64_t h) { setInteger("height", h); }
};

class RedditComment : public AuthoredRecord {
public:
    static constexpr const char* entityName = "Comment";
    using AuthoredRecord::AuthoredRecord;

    Threadwork::ThingId parentId() const { return thingId("parentIdRawValue"); }
    void setParentId(const Threadwork::ThingId& id) { setThingId("parentIdRawValue", id); }
    std::string body() const { return requiredText("body"); }
    void setBody(std::string body) { setText("body", std::move(body)); }
    std::optional<double> timestamp() const { return date("timestamp"); }
    void setTimestamp(double seconds) { setDate("timestamp", seconds); }
    std::int64_t numberOfUpvotes() const { return integer("numberOfUpvotes"); }
    void setNumberOfUpvotes(std::int64_t n) { setInteger("numberOfUpvotes", n); }
    std::optional<QByteArray> rawData() const { return bytes("rawData"); }
    void setRawData(std::optional<QByteArray> data) { setBytes("rawData", std::move(data)); }
    std::optional<Graph::ObjectID> post() const { return toOne("post"); }
    void setPost(std::optional<Graph::ObjectID> post) { setToOne("post", post); }
};

class RedditCommentElement : public Record {
public:
    static constexpr const char* entityName = "CommentElement";
    using Record::Record;

    std::int64_t index() const { return integer("index"); }
    void setIndex(std::int64_t index) { setInteger("index", index); }
    int depth() const { return int(integer("depth")); }
    void setDepth(int depth) { setInteger("depth", depth); }
    std::optional<std::vector<std::string>> moreChildren() const {
        return textList("moreChildren");
    }
    void setMoreChildren(std::optional<std::vector<std::string>> children) {
        setTextList("moreChildren", std::move(children));
    }
    std::int64_t moreCount() const { return integer("moreCount"); }
    void setMoreCount(std::int64_t count) { setInteger("moreCount", count); }
    std::optional<Graph::ObjectID> post() const { return toOne("post"); }
    void setPost(std::optional<Graph::ObjectID> post) { setToOne("post", post); }
    std::optional<Graph::ObjectID> comment() const { return toOne("comment"); }
    void setComment(std::optional<Graph::ObjectID> comment) { setToOne("comment", comment); }
    // A row without a comment stands for comments not yet loaded.
    bool isMorePlaceholder() const { return !comment().has_value(); }
};

class RedditSubreddit : public Record {
public:
    static constexpr const char* entityName = "Subreddit";
    using Record::Record;

    Threadwork::ThingId id() const { return thingId("idRawValue"); }
    void setId(const Threadwork::ThingId& id) { setThingId("idRawValue", id); }
    std::string name() const { return requiredText("name"); }
    void setName(std::string name) { setText("name", std::move(name)); }
    std::optional<std::string> fullDescription() const { return text("fullDescription"); }
    void setFullDescription(std::optional<std::string> d) {
        setText("fullDescription", std::move(d));
    }
    std::optional<std::string> publicDescription() const { return text("publicDescription"); }
    void setPublicDescription(std::optional<std::string> d) {
        setText("publicDescription", std::move(d));
    }
    std::optional<QByteArray> rawData() const { return bytes("rawData"); }
    void setRawData(std::optional<QByteArray> data) { setBytes("rawData", std::move(data)); }
    int index() const { return int(integer("index")); }
    void setIndex(int index) { setInteger("index", index); }
    std::optional<Graph::ObjectID> account() const { return toOne("account"); }
    void setAccount(std::optional<Graph::ObjectID> account) { setToOne("account", account); }
};

// Inserts a new record of the entity in the context.
template <typename R>
R insertRecord(const std::shared_ptr<Graph::Context>& context) {
    return R(context, context->insert(R::entityName));
}

}  // namespace Tavrin
