#include "Tavrin/store/graph/RowCoding.h"

#include "Basalt/json/Coding.h"

namespace Tavrin::Graph {
namespace {

// Lists of texts are stored as JSON arrays.
std::string joinList(const std::vector<std::string>& items) {
    return Basalt::encode(items);
}

std::vector<std::string> splitList(const std::string& stored) {
    auto items = Basalt::decode<std::vector<std::string>>(stored);
    return items ? std::move(items).value() : std::vector<std::string>{};
}

}  // namespace

void bindValue(SQLite::Statement& statement, int index, const Value& value, AttributeType type) {
    if (isAbsent(value)) {
        statement.bind(index);
        return;
    }
    switch (type) {
        case AttributeType::text:
        case AttributeType::address:
            statement.bind(index, std::get<std::string>(value));
            return;
        case AttributeType::int16:
        case AttributeType::int64:
            statement.bind(index, std::get<std::int64_t>(value));
            return;
        case AttributeType::date:
            statement.bind(index, std::get<double>(value));
            return;
        case AttributeType::bytes: {
            const auto& bytes = std::get<QByteArray>(value);
            statement.bind(index, bytes.constData(), int(bytes.size()));
            return;
        }
        case AttributeType::optionalBool:
            statement.bind(index, std::get<bool>(value) ? 1 : 0);
            return;
        case AttributeType::textList:
            statement.bind(index, joinList(std::get<std::vector<std::string>>(value)));
            return;
    }
}

Value readValue(const SQLite::Column& column, AttributeType type) {
    if (column.isNull()) return std::monostate{};
    switch (type) {
        case AttributeType::text:
        case AttributeType::address:
            return column.getString();
        case AttributeType::int16:
        case AttributeType::int64:
            return std::int64_t(column.getInt64());
        case AttributeType::date:
            return column.getDouble();
        case AttributeType::bytes:
            return QByteArray(static_cast<const char*>(column.getBlob()), column.getBytes());
        case AttributeType::optionalBool:
            return column.getInt() != 0;
        case AttributeType::textList:
            return splitList(column.getString());
    }
    return std::monostate{};
}

}  // namespace Tavrin::Graph
