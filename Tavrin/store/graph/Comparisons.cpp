#include "Tavrin/store/graph/Comparisons.h"

#include <QString>

namespace Tavrin::Graph {

std::optional<int> compareValues(const Value& a, const Value& b, bool caseInsensitive) {
    if (isAbsent(a) || isAbsent(b)) return isAbsent(a) == isAbsent(b) ? 0 : (isAbsent(a) ? -1 : 1);
    if (a.index() != b.index()) return std::nullopt;
    return std::visit(
        [&](const auto& x) -> std::optional<int> {
            using T = std::decay_t<decltype(x)>;
            const T& y = std::get<T>(b);
            if constexpr (std::is_same_v<T, std::string>) {
                if (caseInsensitive) {
                    return QString::fromStdString(x).compare(QString::fromStdString(y),
                                                             Qt::CaseInsensitive);
                }
                return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
            } else if constexpr (std::is_same_v<T, std::monostate>) {
                return 0;
            } else {
                return x < y ? -1 : (y < x ? 1 : 0);
            }
        },
        a);
}

bool holds(Comparison::Op op, int order) {
    switch (op) {
        case Comparison::Op::equal:
            return order == 0;
        case Comparison::Op::notEqual:
            return order != 0;
        case Comparison::Op::less:
            return order < 0;
        case Comparison::Op::lessOrEqual:
            return order <= 0;
        case Comparison::Op::greater:
            return order > 0;
        case Comparison::Op::greaterOrEqual:
            return order >= 0;
    }
    return false;
}

const char* sqlOperator(Comparison::Op op) {
    switch (op) {
        case Comparison::Op::equal:
            return "=";
        case Comparison::Op::notEqual:
            return "<>";
        case Comparison::Op::less:
            return "<";
        case Comparison::Op::lessOrEqual:
            return "<=";
        case Comparison::Op::greater:
            return ">";
        case Comparison::Op::greaterOrEqual:
            return ">=";
    }
    return "=";
}

std::string indexKey(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return "s" + *text;
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return "i" + std::to_string(*number);
    return {};
}

std::string shapeOf(const Predicate& predicate) {
    std::string shape;
    for (const auto& c : predicate.all) {
        shape += "|" + c.keyPath + ":" + std::to_string(int(c.op)) +
                 (c.object            ? "o"
                  : isAbsent(c.value) ? "n"
                                      : "v");
    }
    for (const auto& group : predicate.anyOf) {
        shape += "(";
        for (const auto& alternative : group) shape += shapeOf(alternative) + ";";
        shape += ")";
    }
    return shape;
}

}  // namespace Tavrin::Graph
