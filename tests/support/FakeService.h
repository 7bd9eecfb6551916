#pragma once

#include <QByteArray>
#include <QHttpServer>
#include <QString>
#include <QUrlQuery>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

// One request as the fake service received it.
struct RecordedRequest {
    QByteArray method;
    QString path;
    QUrlQuery query;
    std::vector<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray& name) const;
};

// A scripted answer.
struct Reply {
    enum class Mode {
        complete,
        truncated,  // announces more bytes than it sends, then closes the connection
        parked,     // held until the test releases it
    };

    int status = 200;
    std::vector<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    Mode mode = Mode::complete;

    // A recorded response: its body and its recorded headers (framing headers left out).
    static Reply fixture(const std::string& bodyFile);
    static Reply json(int status, QByteArray body) {
        return {status, {{"Content-Type", "application/json"}}, std::move(body), Mode::complete};
    }
    // Sets a header, replacing a recorded one of the same name.
    Reply withHeader(QByteArray name, QByteArray value) && {
        std::erase_if(headers, [&](const auto& h) {
            return h.first.compare(name, Qt::CaseInsensitive) == 0;
        });
        headers.emplace_back(std::move(name), std::move(value));
        return std::move(*this);
    }
    Reply parked() && {
        mode = Mode::parked;
        return std::move(*this);
    }
};

// The service on 127.0.0.1 (a port of its own), in the calling thread's event loop. Answers the
// API's endpoints and the token endpoint from recorded responses unless a test scripts a path;
// records every request.
class FakeService {
public:
    FakeService();
    ~FakeService();

    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;

    // Scripts the answers for a path: one per request in order; the last one repeats.
    void on(const QString& path, std::vector<Reply> replies);
    void on(const QString& path, Reply reply) { on(path, std::vector<Reply>{std::move(reply)}); }

    std::vector<RecordedRequest> requests() const { return requests_; }
    std::vector<RecordedRequest> requests(const QString& path) const;
    void clearRequests() { requests_.clear(); }

    // Parked answers: how many wait, how many lost their connection, and sending them.
    int parkedCount() const;
    int disconnectedParkedCount() const;
    void releaseParked();

private:
    struct Parked;
    void handle(const QHttpServerRequest& request, QHttpServerResponder&& responder);
    Reply answerFor(const RecordedRequest& request);
    static void send(QHttpServerResponder& responder, const Reply& reply);

    QHttpServer server_;
    quint16 port_ = 0;
    std::map<QString, std::deque<Reply>> scripted_;
    std::vector<RecordedRequest> requests_;
    std::vector<std::shared_ptr<Parked>> parked_;
};

}  // namespace TestSupport
