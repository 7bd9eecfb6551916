#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Basalt/json/Coding.h"
#include "Threadwork/ThreadworkLog.h"
#include "Threadwork/model/ThingId.h"
#include "Threadwork/model/Validation.h"

namespace Threadwork {

// An element of a listing, or the error that kept it from decoding with its raw JSON.
template <typename T>
class TryDecode {
public:
    struct Failure {
        Basalt::DecodingError error;
        std::optional<std::string> rawData;
    };

    TryDecode() : storage_(Failure{}) {}
    TryDecode(T value) : storage_(std::move(value)) {}
    TryDecode(Failure failure) : storage_(std::move(failure)) {}

    const T* value() const { return std::get_if<T>(&storage_); }
    T* value() { return std::get_if<T>(&storage_); }
    const Failure* failure() const { return std::get_if<Failure>(&storage_); }

    // Fails only when the single-value view cannot be had; any error of T becomes a failure.
    static TryDecode decode(Basalt::Decoder& decoder) {
        auto element = decoder.attempt<T>();
        if (element) return TryDecode(std::move(element).value());
        auto raw = decoder.decodeAsRawData();
        return TryDecode(
            Failure{std::move(element).error(),
                    raw ? std::optional<std::string>(std::move(raw).value()) : std::nullopt});
    }

    ValidationResult validate() const {
        // A failure was reported when the elements were extracted.
        if (auto* v = value()) return v->validate();
        return std::nullopt;
    }

private:
    std::variant<T, Failure> storage_;
};

// The raw-value text of an element's allowed kind, "nil" when it has none.
template <typename T>
std::string allowedKindText() {
    auto kind = T::allowedElementKind();
    return kind ? kind->rawValue() : "nil";
}

template <typename T>
struct Child {
    ThingType kind;
    TryDecode<T> data;

    static Child decode(Basalt::Decoder& decoder) {
        auto c = decoder.keyedContainer();
        Child child;
        child.kind = c.decode<ThingType>("kind");
        child.data = c.decode<TryDecode<T>>("data");
        return child;
    }

    ValidationResult validate() const {
        auto allowed = T::allowedElementKind();
        if (allowed && *allowed == kind) return data.validate();
        return ValidationError::inconsistency(
            "best", "kind is '" + kind.rawValue() + "', expected '" + allowedKindText<T>() + "'");
    }
};

template <typename T>
struct Page {
    std::optional<ThingId> after;
    std::optional<ThingId> before;
    std::vector<Child<T>> children;
    std::optional<std::int64_t> dist;

    static Page decode(Basalt::Decoder& decoder) {
        auto c = decoder.keyedContainer();
        Page page;
        page.after = c.decodeOptional<ThingId>("after");
        page.before = c.decodeOptional<ThingId>("before");
        page.children = c.decode<std::vector<Child<T>>>("children");
        page.dist = c.decodeOptional<std::int64_t>("dist");
        return page;
    }

    ValidationResult validate() const {
        if (auto e = validateCursor(after, "after is '")) return e;
        if (auto e = validateCursor(before, "before is '")) return e;
        for (const auto& child : children) {
            if (auto e = child.validate()) return e;
        }
        return std::nullopt;
    }

    Pagination pagination() const { return {after, before}; }

private:
    static ValidationResult validateCursor(const std::optional<ThingId>& cursor, const char* lead) {
        if (!cursor) return std::nullopt;
        auto allowed = T::allowedElementKind();
        if (allowed && *allowed == cursor->type) return std::nullopt;
        return ValidationError::inconsistency(
            "best",
            lead + cursor->type.debugDescription() + "', expected '" + allowedKindText<T>() + "'");
    }
};

// The envelope's one kind.
struct ListingKind {
    static constexpr const char* typeName = "Kind";
    static constexpr const char* listing = "Listing";

    static ListingKind decode(Basalt::Decoder& decoder) {
        std::string text = decoder.decode<std::string>();
        if (!decoder.failed() && text != listing) {
            decoder.failDataCorrupted("Cannot initialize Kind from invalid String value " + text);
        }
        return {};
    }
    Basalt::JSON encode() const { return Basalt::JSON(listing); }
    std::string debugDescription() const { return listing; }
};

template <typename T>
struct Listing {
    Page<T> data;
    ListingKind kind;

    static Listing decode(Basalt::Decoder& decoder) {
        auto c = decoder.keyedContainer();
        Listing listing;
        listing.data = c.decode<Page<T>>("data");
        listing.kind = c.decode<ListingKind>("kind");
        return listing;
    }

    ValidationResult validate() const { return data.validate(); }
};

// The decoded elements of children, in order; each failure is dropped with one error line.
// The elements are moved out of the children.
template <typename T>
std::vector<T> extractElements(std::vector<Child<T>>&& children) {
    std::vector<T> elements;
    elements.reserve(children.size());
    for (auto& child : children) {
        if (auto* value = child.data.value()) {
            elements.push_back(std::move(*value));
            continue;
        }
        const auto* failure = child.data.failure();
        threadworkLog().error(
            "Failed to decode one of the elements in the response: %{public}@\nRaw data: "
            "%{public}@",
            failure->error.description(), utf8OrEmpty(failure->rawData));
    }
    return elements;
}

template <typename T>
std::vector<T> extractElements(const std::vector<Child<T>>& children) {
    auto copy = children;
    return extractElements(std::move(copy));
}

// A member the service sends as a listing, or as a string when there is nothing.
template <typename T>
struct ListingOrEmptyString {
    std::vector<T> value;

    static ListingOrEmptyString decode(Basalt::Decoder& decoder) {
        auto listing = decoder.attempt<Listing<T>>();
        if (listing) return {extractElements(std::move(listing->data.children))};
        if (decoder.value().isString()) return {};
        decoder.failDataCorrupted(
            "failed to parse as empty string or Element of kind '" + allowedKindText<T>() + "'",
            std::make_shared<const Basalt::DecodingError>(std::move(listing).error()));
        return {};
    }

    ValidationResult validate() const {
        for (const auto& element : value) {
            if (auto e = element.validate()) return e;
        }
        return std::nullopt;
    }
};

}  // namespace Threadwork
