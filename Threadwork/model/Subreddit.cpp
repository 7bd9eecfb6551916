#include "Threadwork/model/Subreddit.h"

#include "Threadwork/ThreadworkLog.h"

namespace Threadwork {

std::optional<std::string> rawDataOf(const Basalt::Decoder& decoder, const char* what,
                                     const ThingId& name) {
    auto raw = decoder.decodeAsRawData();
    if (raw) return std::move(raw).value();
    threadworkLog().error(
        std::string("Failed to get raw json for ") + what + " %{public}@: %{public}@",
        name.rawValue(), raw.error().description());
    return std::nullopt;
}

Subreddit Subreddit::decode(Basalt::Decoder& decoder) {
    auto c = decoder.keyedContainer();
    Subreddit s;
    s.created_utc = c.decode<double>("created_utc");
    s.description = c.decode<std::string>("description");
    s.description_html = c.decodeOptional<std::string>("description_html");
    s.display_name = c.decode<std::string>("display_name");
    s.display_name_prefixed = c.decode<std::string>("display_name_prefixed");
    s.id = c.decode<std::string>("id");
    s.name = c.decode<ThingId>("name");
    s.public_description = c.decode<std::string>("public_description");
    s.public_description_html = c.decodeOptional<std::string>("public_description_html");
    s.subscribers = c.decode<std::int64_t>("subscribers");
    s.title = c.decode<std::string>("title");
    s.url = c.decode<std::string>("url");
    if (decoder.failed()) return s;
    s.rawData = rawDataOf(decoder, "subreddit", s.name);
    return s;
}

ValidationResult Subreddit::validate() const {
    if (name.type == ThingType::Case::subreddit) return std::nullopt;
    return ValidationError::inconsistency(display_name_prefixed,
                                          "name is '" + name.printed() + "', expected 't5'");
}

}  // namespace Threadwork
