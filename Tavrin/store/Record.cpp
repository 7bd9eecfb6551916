#include "Tavrin/store/Record.h"

namespace Tavrin {

using Graph::Value;

namespace {

template <typename T>
std::optional<T> valueAs(const Value& value) {
    if (const T* v = std::get_if<T>(&value)) return *v;
    return std::nullopt;
}

template <typename T>
Value wrap(const std::optional<T>& value) {
    if (!value) return std::monostate{};
    return *value;
}

}  // namespace

std::optional<std::string> Record::text(const char* attribute) const {
    return valueAs<std::string>(context_->value(id_, attribute));
}
void Record::setText(const char* attribute, std::optional<std::string> value) {
    context_->setValue(id_, attribute, wrap(value));
}
std::int64_t Record::integer(const char* attribute) const {
    return valueAs<std::int64_t>(context_->value(id_, attribute)).value_or(0);
}
void Record::setInteger(const char* attribute, std::int64_t value) {
    context_->setValue(id_, attribute, value);
}
std::optional<double> Record::date(const char* attribute) const {
    return valueAs<double>(context_->value(id_, attribute));
}
void Record::setDate(const char* attribute, std::optional<double> seconds) {
    context_->setValue(id_, attribute, wrap(seconds));
}
std::optional<QByteArray> Record::bytes(const char* attribute) const {
    return valueAs<QByteArray>(context_->value(id_, attribute));
}
void Record::setBytes(const char* attribute, std::optional<QByteArray> value) {
    context_->setValue(id_, attribute, wrap(value));
}
std::optional<bool> Record::optionalBool(const char* attribute) const {
    return valueAs<bool>(context_->value(id_, attribute));
}
void Record::setOptionalBool(const char* attribute, std::optional<bool> value) {
    context_->setValue(id_, attribute, wrap(value));
}
std::optional<std::vector<std::string>> Record::textList(const char* attribute) const {
    return valueAs<std::vector<std::string>>(context_->value(id_, attribute));
}
void Record::setTextList(const char* attribute, std::optional<std::vector<std::string>> value) {
    context_->setValue(id_, attribute, wrap(value));
}
std::optional<Graph::ObjectID> Record::toOne(const char* relationship) const {
    return context_->toOne(id_, relationship);
}
void Record::setToOne(const char* relationship, std::optional<Graph::ObjectID> target) {
    context_->setToOne(id_, relationship, target);
}

Threadwork::ThingId Record::thingId(const char* attribute) const {
    auto parsed = Threadwork::ThingId::fromRawValue(requiredText(attribute));
    return parsed ? *parsed : Threadwork::ThingId::invalid();
}

std::optional<Threadwork::ThingId> Record::optionalThingId(const char* attribute) const {
    auto raw = text(attribute);
    if (!raw) return std::nullopt;
    auto parsed = Threadwork::ThingId::fromRawValue(*raw);
    return parsed ? *parsed : Threadwork::ThingId::invalid();
}

void Record::setThingId(const char* attribute, const std::optional<Threadwork::ThingId>& id) {
    setText(attribute, id ? std::optional<std::string>(id->rawValue()) : std::nullopt);
}

}  // namespace Tavrin
