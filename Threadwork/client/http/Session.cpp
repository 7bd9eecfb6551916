#include "Threadwork/client/http/Session.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>
#include <mutex>

namespace Threadwork::Http {

using Basalt::Never;
using Basalt::Single;

// One request in flight; shared by the subscriber's cancellation and the reply's completion.
struct Session::Transfer {
    std::mutex mutex;
    bool cancelled = false;
    QNetworkReply* reply = nullptr;
    std::optional<std::vector<int>> acceptable;
    Basalt::SingleEmitter<DataResponse<QByteArray>, Never> emitter;

    explicit Transfer(Basalt::SingleEmitter<DataResponse<QByteArray>, Never> e)
        : emitter(std::move(e)) {}

    void finish(std::optional<HttpResponse> response,
                Basalt::Result<QByteArray, HttpError> result) {
        emitter.succeed(DataResponse<QByteArray>{std::move(response), std::move(result)});
    }
};

namespace {

bool isTransportError(QNetworkReply::NetworkError error) {
    // Codes below 200 are the network's and the proxy's; the rest mirror HTTP statuses.
    return error != QNetworkReply::NoError && int(error) < 200;
}

HttpResponse responseOf(QNetworkReply* reply) {
    HttpResponse response;
    response.statusCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    for (const auto& [name, value] : reply->rawHeaderPairs())
        response.headers.emplace_back(name, value);
    return response;
}

QNetworkRequest networkRequestOf(const HttpRequest& request) {
    QNetworkRequest networkRequest(request.url);
    for (const auto& [name, value] : request.headers) networkRequest.setRawHeader(name, value);
    networkRequest.setTransferTimeout(int(request.timeout.count()));
    return networkRequest;
}

}  // namespace

std::shared_ptr<Session> Session::create() {
    return std::shared_ptr<Session>(new Session());
}

Session::Session() : queue_(std::make_shared<Basalt::SerialQueue>("Threadwork.http")) {
    auto* queue = static_cast<Basalt::SerialQueue*>(queue_.get());
    queue->scheduleAndWait([this] { manager_ = new QNetworkAccessManager(); });
}

Session::~Session() {
    auto* queue = static_cast<Basalt::SerialQueue*>(queue_.get());
    queue->scheduleAndWait([this] { delete manager_; });
}

Single<DataResponse<QByteArray>, Never> Session::transfer(
    HttpRequest request, std::shared_ptr<RequestInterceptor> interceptor,
    std::optional<std::vector<int>> acceptableStatusCodes) {
    auto self = shared_from_this();
    return Single<DataResponse<QByteArray>, Never>(
        [self, request, interceptor,
         acceptableStatusCodes](Basalt::SingleEmitter<DataResponse<QByteArray>, Never> emitter) {
            auto transfer = std::make_shared<Transfer>(emitter);
            transfer->acceptable = acceptableStatusCodes;
            // Weak: the cancel hook is released on the session's own thread, where the session
            // must not be destroyed.
            emitter.onCancel([weak = std::weak_ptr<Session>(self), transfer] {
                {
                    std::lock_guard lock(transfer->mutex);
                    transfer->cancelled = true;
                }
                auto session = weak.lock();
                if (!session) return;
                session->queue_->schedule([transfer] {
                    QNetworkReply* reply = nullptr;
                    {
                        std::lock_guard lock(transfer->mutex);
                        reply = transfer->reply;
                    }
                    // Unlocked: abort() finishes the reply at once, and that takes the lock.
                    if (reply) reply->abort();
                });
            });
            if (!interceptor) {
                self->send(transfer, request);
                return;
            }
            interceptor->adapt(
                request, [self, transfer](Basalt::Result<HttpRequest, HttpError> adapted) {
                    if (!adapted) {
                        transfer->finish(std::nullopt, Basalt::fail(std::move(adapted).error()));
                        return;
                    }
                    self->send(transfer, std::move(adapted).value());
                });
        });
}

void Session::send(const std::shared_ptr<Transfer>& transfer, HttpRequest request) {
    // Runs before the destructor's own work on the queue, so the manager is still there.
    QNetworkAccessManager* manager = manager_;
    queue_->schedule([manager, transfer, request = std::move(request)] {
        std::unique_lock lock(transfer->mutex);
        if (transfer->cancelled) return;
        QNetworkReply* reply = manager->sendCustomRequest(networkRequestOf(request), request.method,
                                                          request.body.value_or(QByteArray()));
        transfer->reply = reply;
        lock.unlock();
        QObject::connect(reply, &QNetworkReply::finished, reply, [transfer, reply] {
            reply->deleteLater();
            bool cancelled;
            {
                std::lock_guard guard(transfer->mutex);
                transfer->reply = nullptr;
                cancelled = transfer->cancelled;
            }
            const auto error = reply->error();
            std::optional<HttpResponse> response;
            if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
                response = responseOf(reply);
            }
            if (cancelled) {
                transfer->finish(response,
                                 Basalt::fail(HttpError::of(HttpError::Kind::explicitlyCancelled)));
                return;
            }
            if (error == QNetworkReply::OperationCanceledError) {
                // Not our abort: the transfer timeout fired.
                transfer->finish(response,
                                 Basalt::fail(HttpError::transport("The request timed out.")));
                return;
            }
            if (!response || isTransportError(error)) {
                transfer->finish(
                    response,
                    Basalt::fail(HttpError::transport(reply->errorString().toStdString())));
                return;
            }
            const auto& acceptable = transfer->acceptable;
            if (acceptable && std::find(acceptable->begin(), acceptable->end(),
                                        response->statusCode) == acceptable->end()) {
                transfer->finish(response, Basalt::fail(HttpError::status(response->statusCode)));
                return;
            }
            QByteArray body = reply->readAll();
            if (body.isEmpty()) {
                transfer->finish(response, Basalt::fail(HttpError::of(HttpError::Kind::emptyBody)));
                return;
            }
            transfer->finish(response, std::move(body));
        });
    });
}

Single<DataResponse<QByteArray>, Never> DataRequest::responseData(
    Basalt::SchedulerPtr queue) const {
    return session_->transfer(request_, interceptor_, acceptable_).receiveOn(std::move(queue));
}

}  // namespace Threadwork::Http
