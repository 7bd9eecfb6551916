#include "Tavrin/store/graph/Context.h"

namespace Tavrin::Graph {

template <typename T, typename Read>
Basalt::Stream<T> Context::observeProperty(ObjectID object, const std::string& property,
                                           Read read) {
    std::weak_ptr<Context> weak = weak_from_this();
    auto changes = propertyChanged_.stream();
    return Basalt::Stream<T>([weak, changes, object, property, read](Basalt::StreamEmitter<T> out) {
        auto self = weak.lock();
        if (!self) return;
        out.send(read(*self));
        out.hold(changes.subscribe([weak, out, object, property, read](const PropertyChange& c) {
            if (c.object != object || c.property != property) return;
            if (auto context = weak.lock()) out.send(read(*context));
        }));
    });
}

Basalt::Stream<Value> Context::observe(ObjectID object, const std::string& attribute) {
    return observeProperty<Value>(object, attribute, [object, attribute](Context& context) {
        return context.value(object, attribute);
    });
}

Basalt::Stream<std::optional<ObjectID>> Context::observeRelationship(
    ObjectID object, const std::string& relationship) {
    return observeProperty<std::optional<ObjectID>>(
        object, relationship,
        [object, relationship](Context& context) { return context.toOne(object, relationship); });
}

Basalt::Stream<std::vector<ObjectID>> Context::observeMembers(ObjectID object,
                                                              const std::string& relationship) {
    std::weak_ptr<Context> weak = weak_from_this();
    auto properties = propertyChanged_.stream();
    auto saves = didChange_.stream();
    const auto& description =
        *schema_->entities[std::size_t(object.entity)].relationship(relationship);
    const int destination = schema_->entityIndex(description.destination);
    const std::string inverse = description.inverse;
    using Members = std::vector<ObjectID>;
    return Basalt::Stream<Members>([=](Basalt::StreamEmitter<Members> out) {
        auto self = weak.lock();
        if (!self) return;
        auto last = std::make_shared<Members>(self->toMany(object, relationship));
        out.send(*last);
        auto recompute = [weak, out, object, relationship, last] {
            auto context = weak.lock();
            if (!context) return;
            Members now = context->toMany(object, relationship);
            if (now == *last) return;
            *last = now;
            out.send(std::move(now));
        };
        out.hold(properties.subscribe([=](const PropertyChange& change) {
            const bool ownSide = change.object == object && change.property == relationship;
            const bool otherSide =
                change.object.entity == destination && change.property == inverse;
            if (ownSide || otherSide) recompute();
        }));
        out.hold(saves.subscribe([=](const ChangeSet&) { recompute(); }));
    });
}

}  // namespace Tavrin::Graph
