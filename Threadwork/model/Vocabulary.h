#pragma once

#include <array>
#include <string_view>

#include "Threadwork/model/OpenEnum.h"
#include "Threadwork/model/Validation.h"

namespace Threadwork {

enum class FrontpageCategory { home, popularPosts, allPosts };

enum class FrontpageSortOrder { best, hot, new_, top, rising, controversial };
inline constexpr std::array<FrontpageSortOrder, 6> allFrontpageSortOrders{
    FrontpageSortOrder::best, FrontpageSortOrder::hot,    FrontpageSortOrder::new_,
    FrontpageSortOrder::top,  FrontpageSortOrder::rising, FrontpageSortOrder::controversial};

enum class SubredditSortOrder { hot, new_, top, rising, controversial };
inline constexpr std::array<SubredditSortOrder, 5> allSubredditSortOrders{
    SubredditSortOrder::hot, SubredditSortOrder::new_, SubredditSortOrder::top,
    SubredditSortOrder::rising, SubredditSortOrder::controversial};

enum class VoteAction { upvote, downvote, unvote };

struct VoteResponse {
    bool success = false;
};

struct CommentSortOrderTraits {
    enum class Case { unknown, confidence, top, new_, controversial, old, random, qa, live };
    static constexpr const char* typeName = "CommentSortOrder";
    static constexpr std::pair<Case, std::string_view> table[] = {
        {Case::confidence, "confidence"},
        {Case::top, "top"},
        {Case::new_, "new"},
        {Case::controversial, "controversial"},
        {Case::old, "old"},
        {Case::random, "random"},
        {Case::qa, "qa"},
        {Case::live, "live"},
    };
};

// The comment sort a link suggests.
class CommentSortOrder : public OpenEnum<CommentSortOrderTraits> {
public:
    using OpenEnum::OpenEnum;
    CommentSortOrder(OpenEnum base) : OpenEnum(std::move(base)) {}
    static CommentSortOrder decode(Basalt::Decoder& decoder) { return OpenEnum::decode(decoder); }

    ValidationResult validate() const {
        if (!isUnknown()) return std::nullopt;
        return ValidationError::todo("comment_sort_order",
                                     "comment_sort_order got unknown value '" + rawValue() + "'");
    }
};

}  // namespace Threadwork
