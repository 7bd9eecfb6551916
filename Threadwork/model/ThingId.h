#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Basalt/json/Coding.h"

namespace Threadwork {

// The kind prefix of a fullname.
class ThingType {
public:
    enum class Case { unknown, invalid, comment, account, link, message, subreddit, award, more };
    static constexpr const char* typeName = "ThingType";

    ThingType() : ThingType(Case::invalid) {}
    ThingType(Case c) : case_(c) {}
    // Never fails: "t1".."t6" and "more" give their cases, every other text unknown(text).
    static ThingType fromRawValue(std::string_view text);
    static ThingType unknown(std::string text);

    Case kind() const { return case_; }
    std::string rawValue() const;
    // "link (raw: 't3')"
    std::string debugDescription() const;

    static ThingType decode(Basalt::Decoder& decoder);

    friend bool operator==(const ThingType& a, const ThingType& b) {
        return a.case_ == b.case_ && a.unknownText_ == b.unknownText_;
    }

private:
    Case case_;
    std::string unknownText_;
};

// A parsed fullname: kind prefix, underscore, identifier.
struct ThingId {
    static constexpr const char* typeName = "ThingId";

    ThingType type;
    std::string identifier;

    // Splits at the first underscore; nothing without one.
    static std::optional<ThingId> fromRawValue(std::string_view text);
    static ThingId invalid() { return {ThingType::Case::invalid, {}}; }

    std::string rawValue() const { return type.rawValue() + "_" + identifier; }
    // ThingId(type: comment (raw: 't1'), identifier: "abc")
    std::string printed() const;

    static ThingId decode(Basalt::Decoder& decoder);
};

struct ValidationError;

// A record's author: a fullname of kind t2, or none at all for a deleted author. The first
// problem found, with the record's context.
std::optional<ValidationError> validateAuthor(const std::string& context, const std::string& author,
                                              const std::optional<ThingId>& authorFullname);

// The cursors of a page, as handed to the application.
struct Pagination {
    std::optional<ThingId> after;
    std::optional<ThingId> before;
};

}  // namespace Threadwork
