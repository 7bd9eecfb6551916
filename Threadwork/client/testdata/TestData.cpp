#include "Threadwork/client/testdata/TestData.h"

#include <string>

namespace Threadwork {
namespace {

using Basalt::SafeURL;

const char* const subreddit = "tavrintest";

SafeURL url(const std::string& text) {
    return SafeURL(QString::fromStdString(text));
}

std::string imageUrl(const std::string& name, int width, int height) {
    return std::string("https://") + testImageHost + "/" + name +
           ".jpg?w=" + std::to_string(width) + "&h=" + std::to_string(height);
}

Preview previewOf(const std::string& name, int width, int height) {
    Preview::PreviewImageWithVariants image;
    image.id = name;
    for (int w : {108, 216, 320, 640}) {
        const int h = height * w / width;
        image.resolutions.push_back({w, h, url(imageUrl(name, w, h))});
    }
    image.source = {width, height, url(imageUrl(name, width, height))};
    return Preview{true, {image}, std::nullopt};
}

// The members every fixture shares.
LinkFields post(const std::string& id, const std::string& title, double age) {
    LinkFields f;
    f.author = "tavrin_tester";
    f.author_fullname = ThingId::fromRawValue("t2_tester");
    f.created_utc = 1765400000.0 - age;
    f.domain = "self." + std::string(subreddit);
    f.id = id;
    f.is_crosspostable = true;
    f.link_flair_text_color = FlairTextColor(FlairTextColor::Case::dark);
    f.link_flair_type = FlairType(FlairType::Case::text);
    f.name = *ThingId::fromRawValue("t3_" + id);
    f.num_comments = 12;
    f.permalink = "/r/" + std::string(subreddit) + "/comments/" + id + "/";
    f.score = 421;
    f.subreddit = subreddit;
    f.subreddit_id = *ThingId::fromRawValue("t5_tavrin");
    f.subreddit_name_prefixed = "r/" + std::string(subreddit);
    f.subreddit_subscribers = 1024;
    f.thumbnail = ThumbnailURL::marker(ThumbnailURL::Case::self);
    f.title = title;
    f.ups = 421;
    f.upvote_ratio = 0.97;
    f.url = url("https://www.reddit.com" + f.permalink);
    return f;
}

LinkFields image(const std::string& id, const std::string& title, int width, int height) {
    LinkFields f = post(id, title, 3600);
    f.domain = testImageHost;
    f.post_hint = PostHint(PostHint::Case::image);
    f.preview = previewOf(id, width, height);
    f.thumbnail = ThumbnailURL::link(url(imageUrl(id, 140, 140 * height / width)));
    f.url = url(imageUrl(id, width, height));
    return f;
}

LinkFields gallery() {
    LinkFields f = post("tgallery", "A gallery of three pictures", 7200);
    f.is_gallery = true;
    f.gallery_data = GalleryData{};
    f.media_metadata = MediaMetadata{};
    for (int i = 1; i <= 3; ++i) {
        const std::string mediaId = "gal" + std::to_string(i);
        f.gallery_data->items.push_back({i, mediaId});
        ItemImage item;
        item.id = mediaId;
        item.m = "image/jpg";
        item.p = {{url(imageUrl(mediaId, 320, 240)), 320, 240}};
        item.s = {url(imageUrl(mediaId, 1600, 1200)), 1600, 1200};
        item.status = ItemStatus(ItemStatus::Case::valid);
        (*f.media_metadata)[mediaId] = MediaMetadataItem{item};
    }
    f.url = url("https://www.reddit.com/gallery/tgallery");
    return f;
}

LinkFields hostedVideo() {
    LinkFields f = post("tvideo", "A hosted video", 10800);
    f.domain = "v.redd.it";
    f.is_video = true;
    f.post_hint = PostHint(PostHint::Case::hostedVideo);
    RedditVideo video;
    video.dash_url = url("https://v.tavrin.test/tvideo/DASHPlaylist.mpd");
    video.hls_url = url("https://v.tavrin.test/tvideo/HLSPlaylist.m3u8");
    video.fallback_url = url("https://v.tavrin.test/tvideo/DASH_720.mp4");
    video.scrubber_media_url = url("https://v.tavrin.test/tvideo/DASH_96.mp4");
    video.duration = 42;
    video.width = 1280;
    video.height = 720;
    video.transcoding_status = TranscodingStatus(TranscodingStatus::Case::completed);
    f.media = Media{video};
    f.secure_media = f.media;
    f.preview = previewOf("tvideo", 1280, 720);
    f.url = url("https://v.tavrin.test/tvideo");
    return f;
}

LinkFields youtube() {
    LinkFields f = post("tyoutube", "An embedded YouTube video", 14400);
    f.domain = "youtube.com";
    f.post_hint = PostHint(PostHint::Case::richVideo);
    OEmbed embed;
    embed.provider_name = ProviderName(ProviderName::Case::youtube);
    embed.provider_url = url("https://www.youtube.com/");
    embed.type = OEmbedType(OEmbedType::Case::video);
    embed.version = "1.0";
    embed.title = "A video";
    embed.width = 356;
    embed.height = 200;
    embed.thumbnail_url = url(imageUrl("tyoutube", 480, 360));
    // The widget address would carry an embedding service's key; a fixture needs none.
    embed.html =
        "<iframe class=\"embedly-embed\" src=\"https://cdn.embedly.test/widgets/media.html?"
        "src=https%3A%2F%2Fwww.youtube.com%2Fembed%2FdQw4w9WgXcQ&key=TESTKEY\" width=\"356\" "
        "height=\"200\" scrolling=\"no\" frameborder=\"0\" allowfullscreen></iframe>";
    f.media = Media{embed};
    f.secure_media = f.media;
    f.url = url("https://www.youtube.com/watch?v=dQw4w9WgXcQ");
    return f;
}

LinkFields selfPost(const std::string& id, const std::string& title, std::string body) {
    LinkFields f = post(id, title, 18000);
    f.is_self = true;
    f.post_hint = PostHint(PostHint::Case::self);
    f.selftext = std::move(body);
    return f;
}

std::string headings() {
    std::string text;
    for (int level = 1; level <= 6; ++level) {
        text += std::string(std::size_t(level), '#') + " Heading level " + std::to_string(level) +
                "\n\nA paragraph under it.\n\n";
    }
    return text;
}

std::string markdownGuide() {
    return "# Markdown guide\n\n*Italic*, **bold**, ***both***, ~~struck~~ and `code`.\n\n"
           "> A quotation\n>\n> > nested\n\n- one\n- two\n  - two and a half\n\n1. first\n2. "
           "second\n\n"
           "```\nlet code = block;\n```\n\n| Left | Right |\n|:-----|------:|\n| a | 1 |\n| b | 2 "
           "|\n\n"
           "[A link](https://example.com) and a bare one: "
           "https://example.org\n\n---\n\nSuper^script "
           "and &amp; entities.\n";
}

std::string longFiller() {
    std::string text;
    for (int paragraph = 0; paragraph < 40; ++paragraph) {
        for (int sentence = 0; sentence < 8; ++sentence) {
            text +=
                "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor. ";
        }
        text += "\n\n";
    }
    return text;
}

LinkFields deletedAuthor() {
    LinkFields f = post("tdeleted", "A link posted by a deleted account", 21600);
    f.author = "[deleted]";
    f.author_fullname = std::nullopt;
    f.domain = "example.com";
    f.post_hint = PostHint(PostHint::Case::link);
    f.thumbnail = ThumbnailURL::marker(ThumbnailURL::Case::default_);
    f.url = url("https://example.com/article");
    return f;
}

std::vector<Link> build() {
    std::vector<LinkFields> fields{
        image("timage1", "A landscape picture", 1600, 900),
        image("timage2", "A portrait picture", 900, 1600),
        gallery(),
        hostedVideo(),
        youtube(),
        selfPost("theadings", "Every heading level", headings()),
        selfPost("tguide", "The Markdown guide", markdownGuide()),
        selfPost("tlong", "A very long text post", longFiller()),
        deletedAuthor(),
    };
    std::vector<Link> links;
    for (auto& f : fields) links.emplace_back(std::move(f));
    return links;
}

}  // namespace

const std::vector<Link>& testDataLinks() {
    static const std::vector<Link> links = build();
    return links;
}

}  // namespace Threadwork
