#include "Threadwork/model/LinkMedia.h"

#include <algorithm>

namespace Threadwork {

using Basalt::Decoder;
using Basalt::JSON;
using Basalt::JSONObject;
using Basalt::SafeURL;

namespace {

constexpr std::string_view embedProviderTypes[] = {
    "youtube.com",          "m.youtube.com", "imgur.com",       "gfycat.com",
    "twitter.com",          "redgifs.com",   "streamable.com",  "soundcloud.com",
    "open.spotify.com",     "twitch.tv",     "clips.twitch.tv", "vimeo.com",
    "storymaps.arcgis.com",
};
constexpr std::string_view bandcampSuffix = ".bandcamp.com";

template <typename T>
void setOptional(JSONObject& object, const char* key, const std::optional<T>& value) {
    if (value) object.set(key, Basalt::toJSON(*value));
}

ValidationResult statusCheck(const ItemStatus& status) {
    if (!status.isUnknown()) return std::nullopt;
    return ValidationError::todo(
        "media_metadata", "media_metadata[].status got unknown value '" + status.rawValue() + "'");
}

}  // namespace

bool isEmbedProviderType(std::string_view type) {
    if (std::find(std::begin(embedProviderTypes), std::end(embedProviderTypes), type) !=
        std::end(embedProviderTypes)) {
        return true;
    }
    return type.size() > bandcampSuffix.size() && type.ends_with(bandcampSuffix);
}

RedditVideo RedditVideo::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    RedditVideo v;
    v.dash_url = c.decode<SafeURL>("dash_url");
    v.hls_url = c.decode<SafeURL>("hls_url");
    v.duration = c.decode<std::int64_t>("duration");
    v.fallback_url = c.decode<SafeURL>("fallback_url");
    v.is_gif = c.decode<bool>("is_gif");
    v.scrubber_media_url = c.decode<SafeURL>("scrubber_media_url");
    v.transcoding_status = c.decode<TranscodingStatus>("transcoding_status");
    v.width = c.decode<std::int64_t>("width");
    v.height = c.decode<std::int64_t>("height");
    return v;
}

JSON RedditVideo::encode() const {
    JSONObject o;
    o.set("dash_url", dash_url.encode());
    o.set("hls_url", hls_url.encode());
    o.set("duration", Basalt::toJSON(duration));
    o.set("fallback_url", fallback_url.encode());
    o.set("is_gif", JSON(is_gif));
    o.set("scrubber_media_url", scrubber_media_url.encode());
    o.set("transcoding_status", transcoding_status.encode());
    o.set("width", Basalt::toJSON(width));
    o.set("height", Basalt::toJSON(height));
    return JSON(std::move(o));
}

ValidationResult RedditVideo::validate() const {
    if (!transcoding_status.isUnknown()) return std::nullopt;
    return ValidationError::todo("media.reddit_video", "transcoding_status got unknown value '" +
                                                           transcoding_status.rawValue() + "'");
}

OEmbed OEmbed::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    OEmbed e;
    e.author_name = c.decodeOptional<std::string>("author_name");
    e.author_url = c.decodeOptional<SafeURL>("author_url");
    e.title = c.decodeOptional<std::string>("title");
    e.description = c.decodeOptional<std::string>("description");
    e.width = c.decodeOptional<std::int64_t>("width");
    e.height = c.decodeOptional<std::int64_t>("height");
    e.thumbnail_url = c.decodeOptional<SafeURL>("thumbnail_url");
    e.thumbnail_width = c.decodeOptional<std::int64_t>("thumbnail_width");
    e.thumbnail_height = c.decodeOptional<std::int64_t>("thumbnail_height");
    e.html = c.decode<std::string>("html");
    e.provider_name = c.decode<ProviderName>("provider_name");
    e.provider_url = c.decode<SafeURL>("provider_url");
    e.type = c.decode<OEmbedType>("type");
    e.version = c.decode<std::string>("version");
    return e;
}

JSON OEmbed::encode() const {
    JSONObject o;
    setOptional(o, "author_name", author_name);
    setOptional(o, "author_url", author_url);
    setOptional(o, "title", title);
    setOptional(o, "description", description);
    setOptional(o, "width", width);
    setOptional(o, "height", height);
    setOptional(o, "thumbnail_url", thumbnail_url);
    setOptional(o, "thumbnail_width", thumbnail_width);
    setOptional(o, "thumbnail_height", thumbnail_height);
    o.set("html", JSON(html));
    o.set("provider_name", provider_name.encode());
    o.set("provider_url", provider_url.encode());
    o.set("type", type.encode());
    o.set("version", JSON(version));
    return JSON(std::move(o));
}

ValidationResult OEmbed::validate() const {
    if (type.isUnknown()) {
        return ValidationError::todo("oembed type", "got unknown value '" + type.rawValue() + "'");
    }
    if (provider_name.isUnknown()) {
        return ValidationError::todo("oembed provider_name",
                                     "got unknown value '" + provider_name.rawValue() + "'");
    }
    return std::nullopt;
}

Media Media::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    if (decoder.failed()) return {};
    // A type of the wrong kind counts as no type.
    std::optional<std::string> type;
    if (auto member = decoder.value().find("type")) {
        if (auto text = member->asString()) type = std::string(*text);
    }
    if (!type) return {c.decode<RedditVideo>("reddit_video")};
    if (isEmbedProviderType(*type)) return {c.decode<OEmbed>("oembed")};
    return {Unknown{*type}};
}

ValidationResult Media::validate() const {
    if (auto* video = redditVideo()) return video->validate();
    if (auto* embed = oembed()) return embed->validate();
    return ValidationError::todo("media", "got unknown type '" + unknown()->type + "'");
}

GalleryData::Item GalleryData::Item::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    Item item;
    item.id = c.decode<std::int64_t>("id");
    item.media_id = c.decode<std::string>("media_id");
    return item;
}

GalleryData GalleryData::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    return {c.decode<std::vector<Item>>("items")};
}

MediaImage MediaImage::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    MediaImage image;
    image.u = c.decode<SafeURL>("u");
    image.x = c.decode<std::int64_t>("x");
    image.y = c.decode<std::int64_t>("y");
    return image;
}

ItemImage ItemImage::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    ItemImage item;
    item.id = c.decode<std::string>("id");
    item.m = c.decodeOptional<std::string>("m");
    item.p = c.decode<std::vector<Image>>("p");
    item.s = c.decode<Image>("s");
    item.status = c.decode<ItemStatus>("status");
    return item;
}

ValidationResult ItemImage::validate() const {
    return statusCheck(status);
}

ItemAnimatedImage::SourceImage ItemAnimatedImage::SourceImage::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    SourceImage s;
    s.gif = c.decode<SafeURL>("gif");
    s.mp4 = c.decode<SafeURL>("mp4");
    s.x = c.decode<std::int64_t>("x");
    s.y = c.decode<std::int64_t>("y");
    return s;
}

ItemAnimatedImage ItemAnimatedImage::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    ItemAnimatedImage item;
    item.id = c.decode<std::string>("id");
    item.m = c.decodeOptional<std::string>("m");
    item.p = c.decode<std::vector<Image>>("p");
    item.s = c.decode<SourceImage>("s");
    item.status = c.decode<ItemStatus>("status");
    return item;
}

ValidationResult ItemAnimatedImage::validate() const {
    return statusCheck(status);
}

ItemVideo ItemVideo::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    ItemVideo item;
    item.id = c.decode<std::string>("id");
    item.dashUrl = c.decode<SafeURL>("dashUrl");
    item.hlsUrl = c.decode<SafeURL>("hlsUrl");
    item.isGif = c.decode<bool>("isGif");
    item.x = c.decode<std::int64_t>("x");
    item.y = c.decode<std::int64_t>("y");
    item.status = c.decode<ItemStatus>("status");
    return item;
}

ValidationResult ItemVideo::validate() const {
    return statusCheck(status);
}

const std::string* MediaMetadataItem::id() const {
    if (auto* image = std::get_if<ItemImage>(&value)) return &image->id;
    if (auto* animated = std::get_if<ItemAnimatedImage>(&value)) return &animated->id;
    if (auto* video = std::get_if<ItemVideo>(&value)) return &video->id;
    return nullptr;
}

MediaMetadataItem MediaMetadataItem::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    auto e = c.decodeOptional<std::string>("e");
    if (decoder.failed()) return {};
    if (!e) return {Unknown{"<none>"}};
    if (*e == "Image") return {decoder.decode<ItemImage>()};
    if (*e == "AnimatedImage") return {decoder.decode<ItemAnimatedImage>()};
    if (*e == "RedditVideo") return {decoder.decode<ItemVideo>()};
    return {Unknown{*e}};
}

ValidationResult MediaMetadataItem::validate() const {
    if (auto* unknown = std::get_if<Unknown>(&value)) {
        return ValidationError::todo("media_metadata",
                                     "media_metadata[].e got unknown value '" + unknown->e + "'");
    }
    return std::visit(
        [](const auto& item) -> ValidationResult {
            if constexpr (std::is_same_v<std::decay_t<decltype(item)>, Unknown>) {
                return std::nullopt;
            } else {
                return item.validate();
            }
        },
        value);
}

}  // namespace Threadwork
