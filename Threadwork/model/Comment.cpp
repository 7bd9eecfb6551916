#include "Threadwork/model/Comment.h"

#include "Basalt/json/JSONWriter.h"
#include "Threadwork/ThreadworkLog.h"
#include "Threadwork/model/Subreddit.h"

namespace Threadwork {

using Basalt::Decoder;

namespace {

ValidationResult idMatchesName(const std::string& context, const std::string& id,
                               const ThingId& name) {
    if (id == name.identifier) return std::nullopt;
    return ValidationError::inconsistency(
        context, "id (" + id + ") does not match name (" + name.printed() + ")");
}

ValidationResult parentIsLinkOrComment(const std::string& context, const ThingId& parent) {
    if (parent.type == ThingType::Case::link || parent.type == ThingType::Case::comment) {
        return std::nullopt;
    }
    return ValidationError::inconsistency(
        context, "parent_id is '" + parent.printed() + "', expected 't3' or 't1'");
}

}  // namespace

CommentValue CommentValue::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    CommentValue v;
    v.author = c.decode<std::string>("author");
    v.author_fullname = c.decodeOptional<ThingId>("author_fullname");
    v.body = c.decode<std::string>("body");
    v.created_utc = c.decode<double>("created_utc");
    v.depth = c.decode<std::int64_t>("depth");
    v.downs = c.decode<std::int64_t>("downs");
    v.id = c.decode<std::string>("id");
    v.is_submitter = c.decode<bool>("is_submitter");
    v.link_id = c.decode<ThingId>("link_id");
    v.locked = c.decode<bool>("locked");
    v.name = c.decode<ThingId>("name");
    v.parent_id = c.decode<ThingId>("parent_id");
    v.permalink = c.decode<std::string>("permalink");
    v.replies = c.decode<ListingOrEmptyString<Comment>>("replies").value;
    v.score = c.decode<std::int64_t>("score");
    v.subreddit = c.decode<std::string>("subreddit");
    v.subreddit_id = c.decode<ThingId>("subreddit_id");
    v.subreddit_name_prefixed = c.decode<std::string>("subreddit_name_prefixed");
    v.ups = c.decode<std::int64_t>("ups");
    if (decoder.failed()) return v;
    v.rawData = rawDataOf(decoder, "comment", v.name);
    return v;
}

ValidationResult CommentValue::validate() const {
    if (auto e = idMatchesName(permalink, id, name)) return e;
    if (auto e = validateAuthor(permalink, author, author_fullname)) return e;
    if (auto e = parentIsLinkOrComment(permalink, parent_id)) return e;
    if (subreddit_id.type != ThingType::Case::subreddit) {
        return ValidationError::inconsistency(
            permalink, "subreddit_id is '" + subreddit_id.printed() + "', expected 't5'");
    }
    for (const auto& reply : replies) {
        if (auto e = reply.validate()) return e;
    }
    return std::nullopt;
}

CommentMore CommentMore::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    CommentMore m;
    m.children = c.decode<std::vector<std::string>>("children");
    m.count = c.decode<std::int64_t>("count");
    m.depth = c.decode<std::int64_t>("depth");
    m.id = c.decode<std::string>("id");
    m.name = c.decode<ThingId>("name");
    m.parent_id = c.decode<ThingId>("parent_id");
    if (decoder.failed()) return m;
    m.rawData = rawDataOf(decoder, "comment", m.name);
    return m;
}

ValidationResult CommentMore::validate() const {
    const std::string context = "more";
    if (auto e = idMatchesName(context, id, name)) return e;
    if (name.type != ThingType::Case::comment) {
        return ValidationError::inconsistency(context,
                                              "name is '" + name.printed() + "', expected 't1'");
    }
    if (auto e = parentIsLinkOrComment(context, parent_id)) return e;
    const std::string raw = name.rawValue();
    const bool incomplete = id == "_" || raw == "t1__";
    if (!children.empty() && incomplete) {
        return ValidationError::inconsistency(
            context, "got children but incomplete id ('" + id + "') and/or name ('" + raw + "')");
    }
    if (children.empty() && !(id == "_" && raw == "t1__")) {
        return ValidationError::inconsistency(
            context, "got 0 children so expected incomplete id (got '" + id + "') and name (got '" +
                         raw + "')");
    }
    return std::nullopt;
}

Comment Comment::decode(Decoder& decoder) {
    // The kind in the listing plays no part: a comment, else a placeholder.
    auto value = decoder.attempt<CommentValue>();
    if (value) return {std::move(value).value()};
    return {decoder.decode<CommentMore>()};
}

ValidationResult Comment::validate() const {
    return std::visit([](const auto& n) { return n.validate(); }, node);
}

Comments Comments::decode(Decoder& decoder) {
    auto c = decoder.unkeyedContainer();
    Comments result;
    auto links = c.decode<Listing<Link>>();
    if (decoder.failed()) return result;
    auto& children = links.data.children;
    if (children.empty()) {
        decoder.failDataCorrupted("Failed to decode link: the response holds no link");
        return result;
    }
    if (const auto* failure = children.front().data.failure()) {
        decoder.failDataCorrupted(
            "Failed to decode link. Raw data: " + utf8OrEmpty(failure->rawData),
            std::make_shared<const Basalt::DecodingError>(failure->error));
        return result;
    }
    result.link = std::move(*links.data.children.front().data.value());
    auto comments = c.decode<Listing<Comment>>();
    if (decoder.failed()) return result;
    for (auto& child : comments.data.children) {
        if (auto* comment = child.data.value()) {
            result.comments.push_back(std::move(*comment));
            continue;
        }
        const auto* failure = child.data.failure();
        threadworkLog().error(
            "Failed to decode one of the comments in the response: %{public}@\nRaw data: "
            "%{public}@",
            failure->error.description(), utf8OrEmpty(failure->rawData));
    }
    return result;
}

ValidationResult Comments::validate() const {
    if (auto e = link.validate()) return e;
    for (const auto& comment : comments) {
        if (auto e = comment.validate()) return e;
    }
    return std::nullopt;
}

using WrappedComment = MoreComments::SomeJson::SomeData::CommentWrappedWithKind;

WrappedComment WrappedComment::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    WrappedComment wrapped;
    wrapped.kind = c.decode<ThingType>("kind");
    wrapped.data = c.decode<Comment>("data");
    return wrapped;
}

ValidationResult WrappedComment::validate() const {
    if (kind != ThingType::Case::comment && kind != ThingType::Case::more) {
        return ValidationError::inconsistency(
            "moreComments", "got unexpected element kind '" + kind.debugDescription() + "'");
    }
    return data.validate();
}

MoreComments::SomeJson::SomeData MoreComments::SomeJson::SomeData::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    return {c.decode<std::vector<CommentWrappedWithKind>>("things")};
}

MoreComments::SomeJson MoreComments::SomeJson::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    SomeJson json;
    json.data = c.decodeOptional<SomeData>("data");
    auto errors = c.decodeOptional<Basalt::JSON>("errors");
    if (decoder.failed()) return json;
    if (errors && !(errors->isArray() && errors->asArray()->empty())) {
        const std::string written = Basalt::writeJSON(*errors);
        threadworkLog().error("Got an unexpected error inside MoreComments: %{public}@",
                              isValidUtf8(written) ? written : std::string("<nil>"));
    }
    return json;
}

ValidationResult MoreComments::SomeJson::validate() const {
    if (!data) return std::nullopt;
    for (const auto& thing : data->things) {
        if (auto e = thing.validate()) return e;
    }
    return std::nullopt;
}

std::vector<Comment> MoreComments::comments() const {
    std::vector<Comment> out;
    if (!json.data) return out;
    for (const auto& thing : json.data->things) out.push_back(thing.data);
    return out;
}

MoreComments MoreComments::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    return {c.decode<SomeJson>("json")};
}

}  // namespace Threadwork
