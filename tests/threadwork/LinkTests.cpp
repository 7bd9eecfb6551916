#include <gtest/gtest.h>

#include "Threadwork/model/Link.h"
#include "Threadwork/model/Listing.h"
#include "support/Fixtures.h"

using namespace Threadwork;
using Basalt::JSON;
using Basalt::JSONObject;

namespace {

// A real link object from a recording, to be edited member by member.
JSONObject recordedLink() {
    static const JSON listing =
        Basalt::readJSON(TestSupport::fixture("listing-popular-hot-01.json")).value();
    const auto& children =
        *listing.asObject()->find("data")->asObject()->find("children")->asArray();
    return *children.front().asObject()->find("data")->asObject();
}

JSON parse(const char* text) {
    return Basalt::readJSON(text).value();
}

Basalt::Result<Link, Basalt::DecodingError> decodeWith(
    std::initializer_list<std::pair<const char*, JSON>> changes,
    std::initializer_list<const char*> removals = {}) {
    JSONObject object = recordedLink();
    for (const auto& [key, value] : changes) object.set(key, value);
    JSONObject kept;
    for (const auto& [key, value] : object) {
        if (std::find_if(removals.begin(), removals.end(),
                         [&](const char* r) { return key == r; }) == removals.end()) {
            kept.set(key, value);
        }
    }
    return Basalt::decode<Link>(Basalt::writeJSON(JSON(kept)));
}

Link linkWith(std::initializer_list<std::pair<const char*, JSON>> changes,
              std::initializer_list<const char*> removals = {}) {
    auto link = decodeWith(changes, removals);
    EXPECT_TRUE(link.ok()) << link.error().description();
    return link.ok() ? link.value() : Link();
}

std::string validationText(const Link& link) {
    auto e = link.validate();
    return e ? e->debugDescription : "";
}

TEST(Link, RecordedLinkReadsWithRawDataAndValidates) {
    Link link = linkWith({});
    ASSERT_TRUE(link.rawData);
    EXPECT_EQ(Basalt::readJSON(*link.rawData).value(), JSON(recordedLink()));
    EXPECT_EQ(link.name.type, ThingType::Case::link);
}

TEST(Link, AuthorRules) {
    Link deleted = linkWith({{"author", JSON("[deleted]")}}, {"author_fullname"});
    EXPECT_FALSE(deleted.validate());
    Link other = linkWith({{"author", JSON("someone")}}, {"author_fullname"});
    EXPECT_EQ(validationText(other),
              "author_fullname is nil, expected author to be '[deleted'] but got 'someone'");
    EXPECT_EQ(other.validate()->context, other.permalink);
}

TEST(Link, NameOfAnotherKind) {
    Link link = linkWith({{"name", JSON("t1_abc")}});
    EXPECT_EQ(validationText(link),
              R"(name is 'ThingId(type: comment (raw: 't1'), identifier: "abc")', expected 't3')");
}

TEST(Link, Thumbnails) {
    struct Row {
        const char* text;
        ThumbnailURL::Case kind;
    };
    for (const auto& row :
         {Row{"self", ThumbnailURL::Case::self}, Row{"default", ThumbnailURL::Case::default_},
          Row{"", ThumbnailURL::Case::default_}, Row{"spoiler", ThumbnailURL::Case::spoiler}}) {
        Link link = linkWith({{"thumbnail", JSON(row.text)}});
        EXPECT_EQ(link.thumbnail.kind(), row.kind) << row.text;
        EXPECT_FALSE(link.thumbnail.url());
    }
    Link spaced = linkWith({{"thumbnail", JSON("https://b.thumbs.example/a b.jpg")}});
    ASSERT_TRUE(spaced.thumbnail.url());
    EXPECT_TRUE(spaced.thumbnail.url()->url());
}

TEST(Link, VocabularyIsReportedNotFatal) {
    Link hint = linkWith({{"post_hint", JSON("gallery")}});
    ASSERT_TRUE(hint.post_hint);
    EXPECT_EQ(hint.post_hint->rawValue(), "gallery");
    EXPECT_EQ(hint.validate()->kind, ValidationError::Kind::todo);
    EXPECT_EQ(validationText(hint), "unknown post_hint value 'gallery'");

    Link flair = linkWith({{"link_flair_richtext", parse(R"([{"t": "x"}])")}});
    EXPECT_EQ(validationText(flair), "*_flair_rich_text[].e got unknown value '<none>'");

    Link noColour = linkWith({{"link_flair_text_color", JSON("")}});
    EXPECT_EQ(noColour.link_flair_text_color, FlairTextColor::Case::none);

    Link sort = linkWith({{"suggested_sort", JSON("qa")}});
    EXPECT_EQ(*sort.suggested_sort, CommentSortOrder::Case::qa);
}

TEST(Link, PreviewShape) {
    const char* image =
        R"({"id": "i", "resolutions": [{"width": 1, "height": 1, "url": "https://i.example/a"}],
        "source": {"width": 2, "height": 2, "url": "https://i.example/b"}})";
    std::string two = std::string(R"({"enabled": true, "images": [)") + image + "," + image + "]}";
    EXPECT_EQ(validationText(linkWith({{"preview", parse(two.c_str())}})),
              "got preview with 2 images");
    const char* empty = R"({"enabled": true, "images": [{"id": "i", "resolutions": [],
        "source": {"width": 2, "height": 2, "url": "https://i.example/b"}}]})";
    Link link = linkWith({{"preview", parse(empty)}});
    EXPECT_EQ(validationText(link), "got empty preview.image[0].resolutions");
    EXPECT_EQ(link.validate()->kind, ValidationError::Kind::inconsistency);
}

TEST(Link, GalleryAgainstMetadata) {
    const char* gallery = R"({"items": [{"id": 1, "media_id": "b"}, {"id": 2, "media_id": "a"}]})";
    auto item = [](const char* id) {
        return std::string(R"({"e": "Image", "id": ")") + id +
               R"(", "status": "valid", "p": [], "s": {"u": "https://i.example/x", "x": 1, "y": 1}})";
    };
    std::string ab = "{\"a\": " + item("a") + ", \"b\": " + item("b") + "}";
    std::string ac = "{\"a\": " + item("a") + ", \"c\": " + item("c") + "}";
    EXPECT_FALSE(linkWith({{"gallery_data", parse(gallery)}, {"media_metadata", parse(ab.c_str())}})
                     .validate());
    EXPECT_EQ(
        validationText(
            linkWith({{"gallery_data", parse(gallery)}, {"media_metadata", parse(ac.c_str())}})),
        R"(gallery_data[].media_id does not match media_metadata.keys: ["a", "b"] and ["a", "c"])");
    std::string wrongId = "{\"a\": " + item("z") + ", \"b\": " + item("b") + "}";
    EXPECT_EQ(validationText(linkWith(
                  {{"gallery_data", parse(gallery)}, {"media_metadata", parse(wrongId.c_str())}})),
              "media_metadata[a] has different id 'z'");
}

TEST(Link, ReadFailures) {
    auto negative = decodeWith({{"num_comments", parse("-1")}});
    ASSERT_FALSE(negative.ok());
    EXPECT_EQ(negative.error().kind, Basalt::DecodingError::Kind::dataCorrupted);
    auto missing = decodeWith({}, {"link_flair_richtext"});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, Basalt::DecodingError::Kind::keyNotFound);
}

TEST(Media, ChoosesByType) {
    const char* oembed = R"({"html": "<iframe>", "provider_name": "YouTube",
        "provider_url": "https://www.youtube.com/", "type": "video", "version": "1.0"})";
    auto media = [&](const char* type) {
        std::string text = std::string(R"({"type": )") + type + R"(, "oembed": )" + oembed + "}";
        return Basalt::decode<Media>(text);
    };
    auto youtube = media(R"("youtube.com")");
    ASSERT_TRUE(youtube.ok());
    ASSERT_TRUE(youtube->oembed());
    EXPECT_EQ(youtube->oembed()->provider_name, ProviderName::Case::youtube);
    EXPECT_TRUE(media(R"("artist.bandcamp.com")")->oembed());
    EXPECT_EQ(media(R"("bandcamp.com")")->unknown()->type, "bandcamp.com");
    auto host = media(R"("i.imghost.example")");
    EXPECT_EQ(host->validate()->context, "media");
    EXPECT_EQ(host->validate()->debugDescription, "got unknown type 'i.imghost.example'");
    // A type of the wrong kind counts as none: the hosted video is read.
    EXPECT_FALSE(media("5").ok());
}

TEST(Media, WrittenVideosAndEmbedsReadBackEqual) {
    RedditVideo video;
    video.dash_url = Basalt::SafeURL("https://v.example/DASH.mpd");
    video.hls_url = Basalt::SafeURL("https://v.example/HLS.m3u8");
    video.fallback_url = Basalt::SafeURL("https://v.example/a b.mp4");
    video.transcoding_status = TranscodingStatus::fromRawValue("processing");
    video.duration = 12;
    video.width = 640;
    auto back = Basalt::decode<RedditVideo>(Basalt::encode(video));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->fallback_url.rawValue(), video.fallback_url.rawValue());
    EXPECT_EQ(back->transcoding_status.rawValue(), "processing");
    EXPECT_EQ(back->validate()->debugDescription,
              "transcoding_status got unknown value 'processing'");

    for (const char* provider :
         {"Gfycat", "Imgur", "YouTube", "Twitter", "RedGIFS", "Streamable", "Spotify", "SoundCloud",
          "Twitch.tv", "Vimeo", "ArcGIS StoryMaps", "Someone Else"}) {
        OEmbed embed;
        embed.provider_name = ProviderName::fromRawValue(provider);
        embed.type = OEmbedType::fromRawValue("rich");
        embed.title = "t";
        auto read = Basalt::decode<OEmbed>(Basalt::encode(embed));
        ASSERT_TRUE(read.ok()) << provider;
        EXPECT_EQ(read->provider_name.rawValue(), provider);
        EXPECT_EQ(read->title, "t");
        EXPECT_FALSE(read->author_name);
    }
    OEmbed bandcamp;
    bandcamp.provider_name = ProviderName::fromRawValue("BandCamp");
    EXPECT_EQ(bandcamp.provider_name, ProviderName::Case::bandcamp);
    EXPECT_NE(Basalt::encode(bandcamp).find(R"("provider_name":"bandcamp")"), std::string::npos);
    EXPECT_EQ(Basalt::encode(bandcamp).find("null"), std::string::npos);
}

TEST(MediaMetadata, UnknownEntriesAndStatuses) {
    auto none = Basalt::decode<MediaMetadataItem>(R"({"status": "valid"})").value();
    EXPECT_EQ(none.validate()->debugDescription, "media_metadata[].e got unknown value '<none>'");
    auto odd = Basalt::decode<MediaMetadataItem>(
        R"({"e": "Image", "id": "a", "status": "odd", "p": [], "s": {"u": "https://x.example/", "x": 1, "y": 1}})");
    ASSERT_TRUE(odd.ok());
    EXPECT_EQ(odd->validate()->context, "media_metadata");
    EXPECT_EQ(odd->validate()->kind, ValidationError::Kind::todo);
}

}  // namespace
