#include "Threadwork/model/ThingId.h"

#include "Threadwork/model/Validation.h"

namespace Threadwork {
namespace {

struct Known {
    ThingType::Case kind;
    const char* raw;
    const char* name;
};

constexpr Known known[] = {
    {ThingType::Case::comment, "t1", "comment"},     {ThingType::Case::account, "t2", "account"},
    {ThingType::Case::link, "t3", "link"},           {ThingType::Case::message, "t4", "message"},
    {ThingType::Case::subreddit, "t5", "subreddit"}, {ThingType::Case::award, "t6", "award"},
    {ThingType::Case::more, "more", "more"},
};

}  // namespace

ThingType ThingType::fromRawValue(std::string_view text) {
    for (const auto& k : known) {
        if (text == k.raw) return ThingType(k.kind);
    }
    return unknown(std::string(text));
}

ThingType ThingType::unknown(std::string text) {
    ThingType type(Case::unknown);
    type.unknownText_ = std::move(text);
    return type;
}

std::string ThingType::rawValue() const {
    if (case_ == Case::unknown) return unknownText_;
    for (const auto& k : known) {
        if (k.kind == case_) return k.raw;
    }
    return {};  // invalid
}

std::string ThingType::debugDescription() const {
    std::string name;
    if (case_ == Case::unknown) name = unknownText_;
    for (const auto& k : known) {
        if (k.kind == case_) name = k.name;
    }
    return name + " (raw: '" + rawValue() + "')";
}

ThingType ThingType::decode(Basalt::Decoder& decoder) {
    return fromRawValue(decoder.decode<std::string>());
}

std::optional<ThingId> ThingId::fromRawValue(std::string_view text) {
    auto underscore = text.find('_');
    if (underscore == std::string_view::npos) return std::nullopt;
    return ThingId{ThingType::fromRawValue(text.substr(0, underscore)),
                   std::string(text.substr(underscore + 1))};
}

std::string ThingId::printed() const {
    return "ThingId(type: " + type.debugDescription() + ", identifier: " + quoted(identifier) + ")";
}

std::optional<ValidationError> validateAuthor(const std::string& context, const std::string& author,
                                              const std::optional<ThingId>& authorFullname) {
    if (authorFullname && authorFullname->type != ThingType::Case::account) {
        return ValidationError::inconsistency(
            context, "author_fullname is '" + authorFullname->printed() + "', expected 't2'");
    }
    if (!authorFullname && author != "[deleted]") {
        return ValidationError::inconsistency(
            context,
            "author_fullname is nil, expected author to be '[deleted'] but got '" + author + "'");
    }
    return std::nullopt;
}

ThingId ThingId::decode(Basalt::Decoder& decoder) {
    std::string text = decoder.decode<std::string>();
    if (decoder.failed()) return {};
    auto id = fromRawValue(text);
    if (!id) {
        decoder.failDataCorrupted("invalid thing id '" + text + "'");
        return {};
    }
    return *id;
}

}  // namespace Threadwork
