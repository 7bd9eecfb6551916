#pragma once

#include <QByteArray>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Tavrin/store/graph/Context.h"
#include "Threadwork/model/ThingId.h"

namespace Tavrin {

// A handle on one record of a context: typed reads and writes of its attributes. Use it on the
// context's thread only.
class Record {
public:
    Record(std::shared_ptr<Graph::Context> context, Graph::ObjectID id)
        : context_(std::move(context)), id_(id) {}

    Graph::ObjectID objectID() const { return id_; }
    const std::shared_ptr<Graph::Context>& context() const { return context_; }

protected:
    std::optional<std::string> text(const char* attribute) const;
    std::string requiredText(const char* attribute) const {
        return text(attribute).value_or(std::string());
    }
    void setText(const char* attribute, std::optional<std::string> value);
    std::int64_t integer(const char* attribute) const;
    void setInteger(const char* attribute, std::int64_t value);
    std::optional<double> date(const char* attribute) const;
    void setDate(const char* attribute, std::optional<double> secondsSinceEpoch);
    std::optional<QByteArray> bytes(const char* attribute) const;
    void setBytes(const char* attribute, std::optional<QByteArray> value);
    std::optional<bool> optionalBool(const char* attribute) const;
    void setOptionalBool(const char* attribute, std::optional<bool> value);
    std::optional<std::vector<std::string>> textList(const char* attribute) const;
    void setTextList(const char* attribute, std::optional<std::vector<std::string>> value);
    std::optional<Graph::ObjectID> toOne(const char* relationship) const;
    void setToOne(const char* relationship, std::optional<Graph::ObjectID> target);

    // A fullname attribute: ThingId::invalid() when the text does not parse.
    Threadwork::ThingId thingId(const char* attribute) const;
    std::optional<Threadwork::ThingId> optionalThingId(const char* attribute) const;
    void setThingId(const char* attribute, const std::optional<Threadwork::ThingId>& id);

private:
    std::shared_ptr<Graph::Context> context_;
    Graph::ObjectID id_;
};

}  // namespace Tavrin
