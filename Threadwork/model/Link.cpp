#include "Threadwork/model/Link.h"

#include <algorithm>

#include "Threadwork/model/Subreddit.h"

namespace Threadwork {

using Basalt::Decoder;
using Basalt::SafeURL;

namespace {

// A member whose key must be present but whose null means its empty value: current posts send
// null for some flair colours, and such a post must not be lost.
template <typename T>
T decodeNullAsDefault(Basalt::KeyedContainer& c, std::string_view key, T fallback) {
    if (c.decodeNil(key)) return fallback;
    return c.decode<T>(key);
}

ValidationResult flairRichTexts(const std::vector<FlairRichText>& elements) {
    for (const auto& element : elements) {
        if (auto e = element.validate()) return e;
    }
    return std::nullopt;
}

ValidationResult flairTextColor(const FlairTextColor& color) {
    if (!color.isUnknown()) return std::nullopt;
    return ValidationError::todo("flair_text_color",
                                 "*_flair_text_color got unknown value '" + color.rawValue() + "'");
}

ValidationResult flairType(const FlairType& type) {
    if (!type.isUnknown()) return std::nullopt;
    return ValidationError::todo("flair_type",
                                 "*_flair_type got unknown value '" + type.rawValue() + "'");
}

}  // namespace

ThumbnailURL ThumbnailURL::fromText(const std::string& text) {
    if (text == "self") return marker(Case::self);
    if (text == "default" || text.empty()) return marker(Case::default_);
    if (text == "spoiler") return marker(Case::spoiler);
    return link(SafeURL(QString::fromStdString(text)));
}

ThumbnailURL ThumbnailURL::decode(Decoder& decoder) {
    std::string text = decoder.decode<std::string>();
    if (decoder.failed()) return {};
    return fromText(text);
}

FlairRichText::Text FlairRichText::Text::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    return {c.decode<std::string>("t")};
}

FlairRichText::Emoji FlairRichText::Emoji::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    Emoji emoji;
    emoji.a = c.decode<std::string>("a");
    emoji.u = c.decode<SafeURL>("u");
    return emoji;
}

FlairRichText FlairRichText::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    auto e = c.decodeOptional<std::string>("e");
    if (decoder.failed()) return {};
    if (!e) return {Unknown{"<none>"}};
    if (*e == "text") return {decoder.decode<Text>()};
    if (*e == "emoji") return {decoder.decode<Emoji>()};
    return {Unknown{*e}};
}

ValidationResult FlairRichText::validate() const {
    auto* unknown = std::get_if<Unknown>(&value);
    if (!unknown) return std::nullopt;
    return ValidationError::todo("flair_rich_text",
                                 "*_flair_rich_text[].e got unknown value '" + unknown->e + "'");
}

Preview::PreviewImageWithVariants::Image Preview::PreviewImageWithVariants::Image::decode(
    Decoder& decoder) {
    auto c = decoder.keyedContainer();
    Image image;
    image.width = c.decode<std::int64_t>("width");
    image.height = c.decode<std::int64_t>("height");
    image.url = c.decode<SafeURL>("url");
    return image;
}

Preview::PreviewImageWithVariants Preview::PreviewImageWithVariants::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    PreviewImageWithVariants image;
    image.id = c.decode<std::string>("id");
    image.resolutions = c.decode<std::vector<Image>>("resolutions");
    image.source = c.decode<Image>("source");
    return image;
}

Preview Preview::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    Preview preview;
    preview.enabled = c.decode<bool>("enabled");
    preview.images = c.decode<std::vector<PreviewImageWithVariants>>("images");
    preview.reddit_video_preview = c.decodeOptional<RedditVideo>("reddit_video_preview");
    return preview;
}

Link Link::decode(Decoder& decoder) {
    auto c = decoder.keyedContainer();
    Link l;
    l.archived = c.decode<bool>("archived");
    l.author = c.decode<std::string>("author");
    l.author_flair_background_color =
        c.decodeOptional<std::string>("author_flair_background_color");
    l.author_flair_css_class = c.decodeOptional<std::string>("author_flair_css_class");
    l.author_flair_richtext = c.decodeOptional<std::vector<FlairRichText>>("author_flair_richtext");
    l.author_flair_template_id = c.decodeOptional<std::string>("author_flair_template_id");
    l.author_flair_text = c.decodeOptional<std::string>("author_flair_text");
    l.author_flair_text_color = c.decodeOptional<FlairTextColor>("author_flair_text_color");
    l.author_flair_type = c.decodeOptional<FlairType>("author_flair_type");
    l.author_fullname = c.decodeOptional<ThingId>("author_fullname");
    l.created_utc = c.decode<double>("created_utc");
    l.crosspost_parent = c.decodeOptional<ThingId>("crosspost_parent");
    l.crosspost_parent_list = c.decodeOptional<std::vector<Link>>("crosspost_parent_list");
    l.domain = c.decode<std::string>("domain");
    l.gallery_data = c.decodeOptional<GalleryData>("gallery_data");
    l.id = c.decode<std::string>("id");
    l.is_crosspostable = c.decode<bool>("is_crosspostable");
    l.is_gallery = c.decodeOptional<bool>("is_gallery");
    l.is_self = c.decode<bool>("is_self");
    l.is_video = c.decode<bool>("is_video");
    l.likes = c.decodeOptional<bool>("likes");
    l.link_flair_background_color =
        decodeNullAsDefault<std::string>(c, "link_flair_background_color", {});
    l.link_flair_css_class = c.decodeOptional<std::string>("link_flair_css_class");
    l.link_flair_richtext = c.decode<std::vector<FlairRichText>>("link_flair_richtext");
    l.link_flair_template_id = c.decodeOptional<std::string>("link_flair_template_id");
    l.link_flair_text = c.decodeOptional<std::string>("link_flair_text");
    l.link_flair_text_color = decodeNullAsDefault<FlairTextColor>(
        c, "link_flair_text_color", FlairTextColor(FlairTextColor::Case::none));
    l.link_flair_type = c.decode<FlairType>("link_flair_type");
    l.media = c.decodeOptional<Media>("media");
    l.media_metadata = c.decodeOptional<MediaMetadata>("media_metadata");
    l.name = c.decode<ThingId>("name");
    l.num_comments = c.decode<std::uint64_t>("num_comments");
    l.num_crossposts = c.decode<std::int64_t>("num_crossposts");
    l.over_18 = c.decode<bool>("over_18");
    l.permalink = c.decode<std::string>("permalink");
    l.pinned = c.decode<bool>("pinned");
    l.post_hint = c.decodeOptional<PostHint>("post_hint");
    l.preview = c.decodeOptional<Preview>("preview");
    l.score = c.decode<std::int64_t>("score");
    l.secure_media = c.decodeOptional<Media>("secure_media");
    l.selftext = c.decode<std::string>("selftext");
    l.selftext_html = c.decodeOptional<std::string>("selftext_html");
    l.spoiler = c.decode<bool>("spoiler");
    l.stickied = c.decode<bool>("stickied");
    l.subreddit = c.decode<std::string>("subreddit");
    l.subreddit_id = c.decode<ThingId>("subreddit_id");
    l.subreddit_name_prefixed = c.decode<std::string>("subreddit_name_prefixed");
    l.subreddit_subscribers = c.decode<std::int64_t>("subreddit_subscribers");
    l.suggested_sort = c.decodeOptional<CommentSortOrder>("suggested_sort");
    l.thumbnail = c.decode<ThumbnailURL>("thumbnail");
    l.thumbnail_height = c.decodeOptional<std::int64_t>("thumbnail_height");
    l.thumbnail_width = c.decodeOptional<std::int64_t>("thumbnail_width");
    l.title = c.decode<std::string>("title");
    l.ups = c.decode<std::int64_t>("ups");
    l.upvote_ratio = c.decode<double>("upvote_ratio");
    l.url = c.decode<SafeURL>("url");
    if (decoder.failed()) return l;
    l.rawData = rawDataOf(decoder, "link", l.name);
    return l;
}

ValidationResult Link::validate() const {
    auto fail = [this](std::string description) {
        return ValidationError::inconsistency(permalink, std::move(description));
    };
    if (auto e = validateAuthor(permalink, author, author_fullname)) return e;
    if (name.type != ThingType::Case::link) {
        return fail("name is '" + name.printed() + "', expected 't3'");
    }
    if (subreddit_id.type != ThingType::Case::subreddit) {
        return fail("subreddit_id is '" + subreddit_id.printed() + "', expected 't5'");
    }
    if (preview) {
        if (preview->images.size() != 1) {
            return ValidationError::todo(
                permalink,
                "got preview with " + std::to_string(preview->images.size()) + " images");
        }
        for (std::size_t i = 0; i < preview->images.size(); ++i) {
            if (preview->images[i].resolutions.empty()) {
                return fail("got empty preview.image[" + std::to_string(i) + "].resolutions");
            }
        }
    }
    if (crosspost_parent && crosspost_parent->type != ThingType::Case::link) {
        return fail("crosspost_parent is '" + crosspost_parent->printed() + "', expected 't3'");
    }
    if (gallery_data) {
        if (!media_metadata) return fail("gallery_data and media_metadata do not match");
        std::vector<std::string> ids;
        for (const auto& item : gallery_data->items) ids.push_back(item.media_id);
        std::sort(ids.begin(), ids.end());
        std::vector<std::string> keys;
        for (const auto& [key, item] : *media_metadata) keys.push_back(key);
        if (ids != keys) {
            return fail("gallery_data[].media_id does not match media_metadata.keys: " +
                        printedList(ids) + " and " + printedList(keys));
        }
        for (const auto& [key, item] : *media_metadata) {
            const std::string* id = item.id();
            if (id && *id != key) {
                return fail("media_metadata[" + key + "] has different id '" + *id + "'");
            }
            if (auto e = item.validate()) return e;
        }
    }
    if (post_hint && post_hint->isUnknown()) {
        return ValidationError::todo(permalink,
                                     "unknown post_hint value '" + post_hint->rawValue() + "'");
    }
    if (const SafeURL* thumb = thumbnail.url(); thumb && !thumb->url()) {
        return ValidationError::inconsistency(
            "ThumbnailURL", "failed to parse url '" + thumb->rawValue().toStdString() + "'");
    }
    if (crosspost_parent_list) {
        for (const auto& parent : *crosspost_parent_list) {
            if (auto e = parent.validate()) return e;
        }
    }
    if (author_flair_richtext) {
        if (auto e = flairRichTexts(*author_flair_richtext)) return e;
    }
    if (author_flair_text_color) {
        if (auto e = flairTextColor(*author_flair_text_color)) return e;
    }
    if (author_flair_type) {
        if (auto e = flairType(*author_flair_type)) return e;
    }
    if (auto e = flairRichTexts(link_flair_richtext)) return e;
    if (auto e = flairTextColor(link_flair_text_color)) return e;
    if (auto e = flairType(link_flair_type)) return e;
    if (suggested_sort) {
        if (auto e = suggested_sort->validate()) return e;
    }
    if (media) {
        if (auto e = media->validate()) return e;
    }
    if (secure_media) {
        if (auto e = secure_media->validate()) return e;
    }
    return std::nullopt;
}

}  // namespace Threadwork
