#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Basalt/url/SafeURL.h"
#include "Threadwork/model/LinkMedia.h"
#include "Threadwork/model/OpenEnum.h"
#include "Threadwork/model/ThingId.h"
#include "Threadwork/model/Validation.h"
#include "Threadwork/model/Vocabulary.h"

namespace Threadwork {

// thumbnail: an address, or one of three markers.
class ThumbnailURL {
public:
    static constexpr const char* typeName = "ThumbnailURL";
    enum class Case { link, self, default_, spoiler };

    ThumbnailURL() : case_(Case::default_) {}
    static ThumbnailURL link(Basalt::SafeURL url) {
        return ThumbnailURL(Case::link, std::move(url));
    }
    static ThumbnailURL marker(Case c) { return ThumbnailURL(c, {}); }
    static ThumbnailURL fromText(const std::string& text);

    Case kind() const { return case_; }
    bool isSelf() const { return case_ == Case::self; }
    bool isDefault() const { return case_ == Case::default_; }
    const Basalt::SafeURL* url() const { return case_ == Case::link ? &url_ : nullptr; }

    static ThumbnailURL decode(Basalt::Decoder& decoder);

private:
    ThumbnailURL(Case c, Basalt::SafeURL url) : case_(c), url_(std::move(url)) {}
    Case case_;
    Basalt::SafeURL url_;
};

struct PostHintTraits {
    enum class Case { unknown, link, richVideo, hostedVideo, image, self };
    static constexpr const char* typeName = "PostHint";
    static constexpr std::pair<Case, std::string_view> table[] = {
        {Case::link, "link"},
        {Case::richVideo, "rich:video"},
        {Case::hostedVideo, "hosted:video"},
        {Case::image, "image"},
        {Case::self, "self"},
    };
};
using PostHint = OpenEnum<PostHintTraits>;

struct FlairTextColorTraits {
    enum class Case { unknown, dark, light, none };
    static constexpr const char* typeName = "FlairTextColor";
    static constexpr std::pair<Case, std::string_view> table[] = {
        {Case::dark, "dark"}, {Case::light, "light"}, {Case::none, ""}};
};
using FlairTextColor = OpenEnum<FlairTextColorTraits>;

struct FlairTypeTraits {
    enum class Case { unknown, text, richtext };
    static constexpr const char* typeName = "FlairType";
    static constexpr std::pair<Case, std::string_view> table[] = {{Case::text, "text"},
                                                                  {Case::richtext, "richtext"}};
};
using FlairType = OpenEnum<FlairTypeTraits>;

// One element of a rich flair.
struct FlairRichText {
    static constexpr const char* typeName = "FlairRichText";
    struct Text {
        static constexpr const char* typeName = "Text";
        std::string t;
        static Text decode(Basalt::Decoder& decoder);
    };
    struct Emoji {
        static constexpr const char* typeName = "Emoji";
        std::string a;
        Basalt::SafeURL u;
        static Emoji decode(Basalt::Decoder& decoder);
    };
    struct Unknown {
        std::string e;
    };

    std::variant<Text, Emoji, Unknown> value;

    static FlairRichText decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

struct Preview {
    static constexpr const char* typeName = "Preview";
    struct PreviewImageWithVariants {
        static constexpr const char* typeName = "PreviewImageWithVariants";
        struct Image {
            static constexpr const char* typeName = "Image";
            std::int64_t width = 0;
            std::int64_t height = 0;
            Basalt::SafeURL url;
            static Image decode(Basalt::Decoder& decoder);
        };
        std::string id;
        std::vector<Image> resolutions;
        Image source;
        static PreviewImageWithVariants decode(Basalt::Decoder& decoder);
    };

    bool enabled = false;
    std::vector<PreviewImageWithVariants> images;
    std::optional<RedditVideo> reddit_video_preview;

    static Preview decode(Basalt::Decoder& decoder);
};

struct Link;

// Every member of a link but its raw data, in reading order; builds links in code.
struct LinkFields {
    bool archived = false;
    std::string author;
    std::optional<std::string> author_flair_background_color;
    std::optional<std::string> author_flair_css_class;
    std::optional<std::vector<FlairRichText>> author_flair_richtext;
    std::optional<std::string> author_flair_template_id;
    std::optional<std::string> author_flair_text;
    std::optional<FlairTextColor> author_flair_text_color;
    std::optional<FlairType> author_flair_type;
    std::optional<ThingId> author_fullname;
    double created_utc = 0;
    std::optional<ThingId> crosspost_parent;
    std::optional<std::vector<Link>> crosspost_parent_list;
    std::string domain;
    std::optional<GalleryData> gallery_data;
    std::string id;
    bool is_crosspostable = false;
    std::optional<bool> is_gallery;
    bool is_self = false;
    bool is_video = false;
    std::optional<bool> likes;
    std::string link_flair_background_color;
    std::optional<std::string> link_flair_css_class;
    std::vector<FlairRichText> link_flair_richtext;
    std::optional<std::string> link_flair_template_id;
    std::optional<std::string> link_flair_text;
    FlairTextColor link_flair_text_color;
    FlairType link_flair_type;
    std::optional<Media> media;
    std::optional<MediaMetadata> media_metadata;
    ThingId name;
    std::uint64_t num_comments = 0;
    std::int64_t num_crossposts = 0;
    bool over_18 = false;
    std::string permalink;
    bool pinned = false;
    std::optional<PostHint> post_hint;
    std::optional<Preview> preview;
    std::int64_t score = 0;
    std::optional<Media> secure_media;
    std::string selftext;
    std::optional<std::string> selftext_html;
    bool spoiler = false;
    bool stickied = false;
    std::string subreddit;
    ThingId subreddit_id;
    std::string subreddit_name_prefixed;
    std::int64_t subreddit_subscribers = 0;
    std::optional<CommentSortOrder> suggested_sort;
    ThumbnailURL thumbnail;
    std::optional<std::int64_t> thumbnail_height;
    std::optional<std::int64_t> thumbnail_width;
    std::string title;
    std::int64_t ups = 0;
    double upvote_ratio = 0;
    Basalt::SafeURL url;
};

// A post as the service returns it.
struct Link : LinkFields {
    static constexpr const char* typeName = "Link";
    static std::optional<ThingType> allowedElementKind() { return ThingType::Case::link; }

    // The link's JSON written anew; empty when built in code or when writing it failed.
    std::optional<std::string> rawData;

    Link() = default;
    // Every field but the raw data.
    explicit Link(LinkFields fields) : LinkFields(std::move(fields)) {}

    static Link decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

}  // namespace Threadwork
