#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Basalt/url/SafeURL.h"
#include "Threadwork/model/OpenEnum.h"
#include "Threadwork/model/Validation.h"

namespace Threadwork {

struct TranscodingStatusTraits {
    enum class Case { unknown, completed };
    static constexpr const char* typeName = "TranscodingStatus";
    static constexpr std::pair<Case, std::string_view> table[] = {{Case::completed, "completed"}};
};
using TranscodingStatus = OpenEnum<TranscodingStatusTraits>;

// A video hosted by the service.
struct RedditVideo {
    static constexpr const char* typeName = "RedditVideo";
    using TranscodingStatus = Threadwork::TranscodingStatus;

    Basalt::SafeURL dash_url;
    Basalt::SafeURL hls_url;
    std::int64_t duration = 0;
    Basalt::SafeURL fallback_url;
    bool is_gif = false;
    Basalt::SafeURL scrubber_media_url;
    TranscodingStatus transcoding_status;
    std::int64_t width = 0;
    std::int64_t height = 0;

    static RedditVideo decode(Basalt::Decoder& decoder);
    Basalt::JSON encode() const;
    ValidationResult validate() const;
};

struct OEmbedTypeTraits {
    enum class Case { unknown, video, rich };
    static constexpr const char* typeName = "OEmbedType";
    static constexpr std::pair<Case, std::string_view> table[] = {{Case::video, "video"},
                                                                  {Case::rich, "rich"}};
};
using OEmbedType = OpenEnum<OEmbedTypeTraits>;

struct ProviderNameTraits {
    enum class Case {
        unknown,
        gfycat,
        imgur,
        youtube,
        twitter,
        redgifs,
        streamable,
        spotify,
        soundcloud,
        twitch,
        vimeo,
        bandcamp,
        arcgisStorymaps
    };
    static constexpr const char* typeName = "ProviderName";
    // The first text of a case is the one written.
    static constexpr std::pair<Case, std::string_view> table[] = {
        {Case::gfycat, "Gfycat"},
        {Case::imgur, "Imgur"},
        {Case::youtube, "YouTube"},
        {Case::twitter, "Twitter"},
        {Case::redgifs, "RedGIFS"},
        {Case::streamable, "Streamable"},
        {Case::spotify, "Spotify"},
        {Case::soundcloud, "SoundCloud"},
        {Case::twitch, "Twitch.tv"},
        {Case::vimeo, "Vimeo"},
        {Case::bandcamp, "bandcamp"},
        {Case::bandcamp, "BandCamp"},
        {Case::arcgisStorymaps, "ArcGIS StoryMaps"},
    };
};
using ProviderName = OpenEnum<ProviderNameTraits>;

// An embed of an outside provider.
struct OEmbed {
    static constexpr const char* typeName = "OEmbed";

    std::optional<std::string> author_name;
    std::optional<Basalt::SafeURL> author_url;
    std::optional<std::string> title;
    std::optional<std::string> description;
    std::optional<std::int64_t> width;
    std::optional<std::int64_t> height;
    std::optional<Basalt::SafeURL> thumbnail_url;
    std::optional<std::int64_t> thumbnail_width;
    std::optional<std::int64_t> thumbnail_height;
    std::string html;
    ProviderName provider_name;
    Basalt::SafeURL provider_url;
    OEmbedType type;
    std::string version;

    static OEmbed decode(Basalt::Decoder& decoder);
    Basalt::JSON encode() const;
    ValidationResult validate() const;
};

// The media type texts of the embed providers, as the service sends them.
bool isEmbedProviderType(std::string_view type);

// media / secure_media of a link.
struct Media {
    static constexpr const char* typeName = "Media";
    struct Unknown {
        std::string type;
    };

    std::variant<RedditVideo, OEmbed, Unknown> value;

    const RedditVideo* redditVideo() const { return std::get_if<RedditVideo>(&value); }
    const OEmbed* oembed() const { return std::get_if<OEmbed>(&value); }
    const Unknown* unknown() const { return std::get_if<Unknown>(&value); }

    static Media decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

struct GalleryData {
    static constexpr const char* typeName = "GalleryData";
    struct Item {
        static constexpr const char* typeName = "Item";
        std::int64_t id = 0;
        std::string media_id;
        static Item decode(Basalt::Decoder& decoder);
    };
    std::vector<Item> items;
    static GalleryData decode(Basalt::Decoder& decoder);
};

struct ItemStatusTraits {
    enum class Case { unknown, valid, failed };
    static constexpr const char* typeName = "ItemStatus";
    static constexpr std::pair<Case, std::string_view> table[] = {{Case::valid, "valid"},
                                                                  {Case::failed, "failed"}};
};
using ItemStatus = OpenEnum<ItemStatusTraits>;

// One rendition: address and size.
struct MediaImage {
    static constexpr const char* typeName = "Image";
    Basalt::SafeURL u;
    std::int64_t x = 0;
    std::int64_t y = 0;
    static MediaImage decode(Basalt::Decoder& decoder);
};

struct ItemImage {
    static constexpr const char* typeName = "ItemImage";
    using Image = MediaImage;
    std::string id;
    std::optional<std::string> m;
    std::vector<Image> p;
    Image s;
    ItemStatus status;
    static ItemImage decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

struct ItemAnimatedImage {
    static constexpr const char* typeName = "ItemAnimatedImage";
    using Image = MediaImage;
    struct SourceImage {
        static constexpr const char* typeName = "SourceImage";
        Basalt::SafeURL gif;
        Basalt::SafeURL mp4;
        std::int64_t x = 0;
        std::int64_t y = 0;
        static SourceImage decode(Basalt::Decoder& decoder);
    };
    std::string id;
    std::optional<std::string> m;
    std::vector<Image> p;
    SourceImage s;
    ItemStatus status;
    static ItemAnimatedImage decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

struct ItemVideo {
    static constexpr const char* typeName = "ItemVideo";
    std::string id;
    Basalt::SafeURL dashUrl;
    Basalt::SafeURL hlsUrl;
    bool isGif = false;
    std::int64_t x = 0;
    std::int64_t y = 0;
    ItemStatus status;
    static ItemVideo decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

// One entry of a link's media_metadata.
struct MediaMetadataItem {
    static constexpr const char* typeName = "MediaMetadataItem";
    struct Unknown {
        std::string e;
    };

    std::variant<ItemImage, ItemAnimatedImage, ItemVideo, Unknown> value;

    // The id of an image, animated image or video; nothing for unknown.
    const std::string* id() const;

    static MediaMetadataItem decode(Basalt::Decoder& decoder);
    ValidationResult validate() const;
};

using MediaMetadata = std::map<std::string, MediaMetadataItem>;

}  // namespace Threadwork

namespace Basalt {

// media_metadata is an object keyed by media id.
template <typename T>
struct Readable<std::map<std::string, T>> {
    static constexpr const char* typeName = "Dictionary";
    static std::map<std::string, T> read(Decoder& decoder) {
        std::map<std::string, T> out;
        auto c = decoder.keyedContainer();
        for (const auto& key : c.allKeys()) {
            T value = c.decode<T>(key.stringValue);
            if (decoder.failed()) return {};
            out.emplace(key.stringValue, std::move(value));
        }
        return out;
    }
};

}  // namespace Basalt
