#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace Basalt {

// A log argument as text.
inline std::string toLogString(std::string_view text) {
    return std::string(text);
}
inline std::string toLogString(const std::string& text) {
    return text;
}
inline std::string toLogString(const char* text) {
    return text ? text : "";
}
inline std::string toLogString(const QString& text) {
    return text.toStdString();
}
inline std::string toLogString(const QByteArray& text) {
    return text.toStdString();
}
template <typename T>
requires std::is_arithmetic_v<T> std::string toLogString(T value) {
    if constexpr (std::is_same_v<T, bool>)
        return value ? "true" : "false";
    else
        return std::to_string(value);
}

// Writes through Qt's logging under the category "<subsystem>.<category>". Format strings
// take "%{public}@" (printed) and "%{private}@" or "%@" (printed as "<private>") placeholders.
class Logger {
public:
    Logger(const std::string& subsystem, const std::string& category);

    template <typename... Args>
    void debug(std::string_view format, const Args&... args) const {
        if (category_->isDebugEnabled()) write(QtDebugMsg, format, {toLogString(args)...});
    }
    template <typename... Args>
    void info(std::string_view format, const Args&... args) const {
        if (category_->isInfoEnabled()) write(QtInfoMsg, format, {toLogString(args)...});
    }
    template <typename... Args>
    void error(std::string_view format, const Args&... args) const {
        if (category_->isCriticalEnabled()) write(QtCriticalMsg, format, {toLogString(args)...});
    }

    const char* categoryName() const { return category_->categoryName(); }

    // Fills the placeholders of a format string with the arguments, in order.
    static std::string render(std::string_view format, const std::vector<std::string>& args);

private:
    void write(QtMsgType level, std::string_view format,
               const std::vector<std::string>& args) const;

    // QLoggingCategory keeps the pointer it is given: the name must outlive it.
    std::shared_ptr<const QByteArray> name_;
    std::shared_ptr<QLoggingCategory> category_;
};

}  // namespace Basalt
