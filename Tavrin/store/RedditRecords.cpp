#include "Tavrin/store/RedditRecords.h"

namespace Tavrin {

std::optional<Threadwork::PostHint> RedditPost::postHint() const {
    auto raw = text("postHintRawValue");
    if (!raw) return std::nullopt;
    return Threadwork::PostHint::fromRawValue(*raw);
}

void RedditPost::setPostHint(const std::optional<Threadwork::PostHint>& hint) {
    setText("postHintRawValue", hint ? std::optional<std::string>(hint->rawValue()) : std::nullopt);
}

}  // namespace Tavrin
