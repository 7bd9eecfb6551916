#pragma once

#include <QByteArray>
#include <memory>
#include <optional>
#include <vector>

#include "Basalt/json/Coding.h"
#include "Basalt/stream/Scheduler.h"
#include "Basalt/stream/Single.h"
#include "Threadwork/client/http/HttpError.h"
#include "Threadwork/client/http/HttpRequest.h"
#include "Threadwork/client/http/RequestInterceptor.h"

class QNetworkAccessManager;

namespace Threadwork::Http {

// The outcome of a request: the HTTP response when one arrived, and the value or the error.
template <typename T>
struct DataResponse {
    std::optional<HttpResponse> response;
    Basalt::Result<T, HttpError> result;
};

class Session;

// A request not yet sent; sending starts when a response stream is subscribed to, and
// cancelling that subscription aborts the transfer.
class DataRequest {
public:
    DataRequest(std::shared_ptr<Session> session, HttpRequest request,
                std::shared_ptr<RequestInterceptor> interceptor)
        : session_(std::move(session)),
          request_(std::move(request)),
          interceptor_(std::move(interceptor)) {}

    // Only these status codes are accepted; any other is unacceptableStatusCode. Without a
    // call, every status is accepted.
    DataRequest& validate(std::vector<int> acceptableStatusCodes) {
        acceptable_ = std::move(acceptableStatusCodes);
        return *this;
    }

    // The body bytes, delivered on the queue; an empty body is an error.
    Basalt::Single<DataResponse<QByteArray>, Basalt::Never> responseData(
        Basalt::SchedulerPtr queue) const;

    // The body decoded as T on the queue.
    template <typename T>
    Basalt::Single<DataResponse<T>, Basalt::Never> responseDecodable(
        Basalt::SchedulerPtr queue) const {
        return responseData(queue).map([](DataResponse<QByteArray> raw) {
            DataResponse<T> decoded{raw.response,
                                    Basalt::fail(HttpError::of(HttpError::Kind::emptyBody))};
            if (!raw.result) {
                decoded.result = Basalt::fail(std::move(raw.result).error());
                return decoded;
            }
            const QByteArray& body = raw.result.value();
            auto value =
                Basalt::decode<T>(std::string_view(body.constData(), std::size_t(body.size())));
            if (value) {
                decoded.result = std::move(value).value();
            } else {
                decoded.result = Basalt::fail(HttpError::decoding(std::move(value).error()));
            }
            return decoded;
        });
    }

private:
    std::shared_ptr<Session> session_;
    HttpRequest request_;
    std::shared_ptr<RequestInterceptor> interceptor_;
    std::optional<std::vector<int>> acceptable_;
};

// Sends requests with a QNetworkAccessManager that lives on the session's own thread.
class Session : public std::enable_shared_from_this<Session> {
public:
    static std::shared_ptr<Session> create();
    ~Session();

    DataRequest request(HttpRequest request,
                        std::shared_ptr<RequestInterceptor> interceptor = nullptr) {
        return DataRequest(shared_from_this(), std::move(request), std::move(interceptor));
    }

    // The transfer itself: adapt, send, validate. Delivered on the session's thread.
    Basalt::Single<DataResponse<QByteArray>, Basalt::Never> transfer(
        HttpRequest request, std::shared_ptr<RequestInterceptor> interceptor,
        std::optional<std::vector<int>> acceptableStatusCodes);

    const Basalt::SchedulerPtr& queue() const { return queue_; }

private:
    Session();
    struct Transfer;
    void send(const std::shared_ptr<Transfer>& transfer, HttpRequest request);

    Basalt::SchedulerPtr queue_;
    QNetworkAccessManager* manager_ = nullptr;
};

}  // namespace Threadwork::Http
