#include "Basalt/log/LogCapture.h"

#include <QString>
#include <atomic>
#include <cassert>

namespace Basalt {
namespace {

// Qt's message handler is a plain function; it finds the live capture here.
std::atomic<LogCapture*> active{nullptr};

}  // namespace

LogCapture::LogCapture() {
    LogCapture* expected = nullptr;
    [[maybe_unused]] bool installed = active.compare_exchange_strong(expected, this);
    assert(installed && "only one LogCapture at a time");
    previous_ = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(previous_);
    active.store(nullptr);
}

void LogCapture::handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    LogCapture* capture = active.load();
    if (!capture) return;
    std::lock_guard lock(capture->mutex_);
    capture->lines_.push_back(
        {context.category ? context.category : "", type, message.toStdString()});
}

std::vector<LogCapture::Line> LogCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::string> LogCapture::messages(const std::string& category) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& line : lines_) {
        if (line.category == category) out.push_back(line.message);
    }
    return out;
}

void LogCapture::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

}  // namespace Basalt
