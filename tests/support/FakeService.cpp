#include "support/FakeService.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <fstream>
#include <sstream>

#include "support/Fixtures.h"

namespace TestSupport {

namespace {

QByteArray methodName(QHttpServerRequest::Method method) {
    switch (method) {
        case QHttpServerRequest::Method::Get:
            return "GET";
        case QHttpServerRequest::Method::Post:
            return "POST";
        case QHttpServerRequest::Method::Put:
            return "PUT";
        case QHttpServerRequest::Method::Delete:
            return "DELETE";
        case QHttpServerRequest::Method::Head:
            return "HEAD";
        default:
            return "OTHER";
    }
}

bool isFramingHeader(const QByteArray& name) {
    for (const char* framing :
         {"content-length", "transfer-encoding", "connection", "content-encoding", "keep-alive"}) {
        if (name.compare(framing, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

}  // namespace

QByteArray RecordedRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return {};
}

Reply Reply::fixture(const std::string& bodyFile) {
    Reply reply;
    reply.body = QByteArray::fromStdString(TestSupport::fixture(bodyFile));
    const std::string stem = bodyFile.substr(0, bodyFile.find('.'));
    std::istringstream lines(TestSupport::fixture(stem + ".headers.txt"));
    std::string line;
    if (std::getline(lines, line)) reply.status = std::stoi(line);
    while (std::getline(lines, line)) {
        auto colon = line.find(": ");
        if (colon == std::string::npos) continue;
        QByteArray name = QByteArray::fromStdString(line.substr(0, colon));
        if (isFramingHeader(name)) continue;
        reply.headers.emplace_back(name, QByteArray::fromStdString(line.substr(colon + 2)));
    }
    return reply;
}

struct FakeService::Parked {
    QHttpServerResponder responder;
    bool disconnected = false;
};

FakeService::FakeService() {
    server_.setMissingHandler(
        [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            handle(request, std::move(responder));
        });
    port_ = server_.listen(QHostAddress::LocalHost, 0);
}

FakeService::~FakeService() = default;

std::string FakeService::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void FakeService::on(const QString& path, std::vector<Reply> replies) {
    scripted_[path] = std::deque<Reply>(replies.begin(), replies.end());
}

std::vector<RecordedRequest> FakeService::requests(const QString& path) const {
    std::vector<RecordedRequest> out;
    for (const auto& r : requests_) {
        if (r.path == path) out.push_back(r);
    }
    return out;
}

int FakeService::parkedCount() const {
    return int(parked_.size());
}

int FakeService::disconnectedParkedCount() const {
    int count = 0;
    for (const auto& p : parked_) count += p->disconnected ? 1 : 0;
    return count;
}

void FakeService::releaseParked() {
    auto parked = std::move(parked_);
    parked_.clear();
    for (auto& p : parked) {
        if (!p->disconnected) send(p->responder, Reply::json(200, "{}"));
    }
}

void FakeService::handle(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    RecordedRequest recorded{
        methodName(request.method()), request.url().path(), request.query(), {}, request.body()};
    for (const auto& [name, value] : request.headers()) recorded.headers.emplace_back(name, value);
    requests_.push_back(recorded);
    Reply reply = answerFor(recorded);
    if (reply.mode == Reply::Mode::parked) {
        auto parked = std::make_shared<Parked>(Parked{std::move(responder), false});
        if (QTcpSocket* socket = parked->responder.socket()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket,
                             [weak = std::weak_ptr<Parked>(parked)] {
                                 if (auto p = weak.lock()) p->disconnected = true;
                             });
        }
        parked_.push_back(parked);
        return;
    }
    send(responder, reply);
}

Reply FakeService::answerFor(const RecordedRequest& request) {
    auto scripted = scripted_.find(request.path);
    if (scripted != scripted_.end() && !scripted->second.empty()) {
        Reply reply = scripted->second.front();
        if (scripted->second.size() > 1) scripted->second.pop_front();
        return reply;
    }
    const QString& path = request.path;
    if (path == "/api/v1/access_token") {
        const bool refresh = request.body.contains("grant_type=refresh_token");
        return Reply::fixture(refresh ? "token-refresh-01.json" : "token-exchange-01.json");
    }
    if (path == "/subreddits/mine/subscriber") return Reply::fixture("subscriber-01.json");
    if (path.startsWith("/comments/")) return Reply::fixture("comments-06.json");
    if (path == "/api/morechildren") return Reply::fixture("morechildren-01.json");
    if (path == "/api/vote") return Reply::fixture("vote-01.json");
    if (path == "/api/search_reddit_names") return Reply::fixture("search-names-02.json");
    if (path.startsWith("/r/") || path.count('/') == 1)
        return Reply::fixture("listing-best-02.json");
    return Reply::json(404, R"({"message": "Not Found", "error": 404})");
}

void FakeService::send(QHttpServerResponder& responder, const Reply& reply) {
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(reply.status));
    for (const auto& [name, value] : reply.headers) responder.writeHeader(name, value);
    if (reply.mode == Reply::Mode::truncated) {
        responder.writeHeader("Content-Length", QByteArray::number(reply.body.size() * 2 + 10));
        responder.writeBody(reply.body);
        if (QTcpSocket* socket = responder.socket()) socket->disconnectFromHost();
        return;
    }
    responder.writeHeader("Content-Length", QByteArray::number(reply.body.size()));
    responder.writeBody(reply.body);
}

}  // namespace TestSupport
