#include "Basalt/log/Logger.h"

#include <QMessageLogger>

namespace Basalt {
namespace {

constexpr std::string_view publicMarker = "%{public}@";
constexpr std::string_view privateMarker = "%{private}@";
constexpr std::string_view plainMarker = "%@";
constexpr std::string_view redacted = "<private>";

}  // namespace

Logger::Logger(const std::string& subsystem, const std::string& category)
    : name_(std::make_shared<const QByteArray>(
          QByteArray::fromStdString(subsystem + "." + category))),
      category_(std::make_shared<QLoggingCategory>(name_->constData())) {}

std::string Logger::render(std::string_view format, const std::vector<std::string>& args) {
    std::string out;
    out.reserve(format.size());
    std::size_t next = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        std::string_view rest = format.substr(i);
        auto argument = [&]() -> std::string_view {
            return next < args.size() ? std::string_view(args[next++]) : std::string_view();
        };
        if (rest.starts_with(publicMarker)) {
            out += argument();
            i += publicMarker.size();
        } else if (rest.starts_with(privateMarker) || rest.starts_with(plainMarker)) {
            argument();
            out += redacted;
            i += rest.starts_with(privateMarker) ? privateMarker.size() : plainMarker.size();
        } else {
            out += format[i++];
        }
    }
    return out;
}

void Logger::write(QtMsgType level, std::string_view format,
                   const std::vector<std::string>& args) const {
    const std::string text = render(format, args);
    QMessageLogger logger(nullptr, 0, nullptr, category_->categoryName());
    switch (level) {
        case QtDebugMsg:
            logger.debug("%s", text.c_str());
            break;
        case QtInfoMsg:
            logger.info("%s", text.c_str());
            break;
        default:
            logger.critical("%s", text.c_str());
            break;
    }
}

}  // namespace Basalt
