#pragma once

#include <QtGlobal>
#include <mutex>
#include <string>
#include <vector>

namespace Basalt {

// Collects every log line while it exists (tests assert exact lines through it). One at a time.
class LogCapture {
public:
    struct Line {
        std::string category;
        QtMsgType level;
        std::string message;
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<Line> lines() const;
    // Messages of one category, in order.
    std::vector<std::string> messages(const std::string& category) const;
    void clear();

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

    mutable std::mutex mutex_;
    std::vector<Line> lines_;
    QtMessageHandler previous_;
};

}  // namespace Basalt
