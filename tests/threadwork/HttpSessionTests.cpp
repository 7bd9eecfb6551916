#include <gtest/gtest.h>

#include <QThread>

#include "Threadwork/client/http/Session.h"
#include "support/EventLoop.h"
#include "support/FakeService.h"

using namespace Threadwork::Http;
using TestSupport::FakeService;
using TestSupport::Reply;
using TestSupport::waitUntil;
using namespace std::chrono_literals;

namespace {

struct Probe {
    static constexpr const char* typeName = "Probe";
    std::string name;
    static Probe decode(Basalt::Decoder& decoder) {
        auto c = decoder.keyedContainer();
        return {c.decode<std::string>("name")};
    }
};

class HttpSession : public ::testing::Test {
protected:
    HttpRequest get(const QString& path) {
        HttpRequest request;
        request.url = QUrl(QString::fromStdString(service.baseUrl()) + path);
        return request;
    }

    template <typename T>
    DataResponse<T> await(Basalt::Single<DataResponse<T>, Basalt::Never> single) {
        std::optional<DataResponse<T>> outcome;
        auto handle = single.subscribe([&](DataResponse<T> r) { outcome = std::move(r); }, nullptr);
        EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }, 10s));
        return outcome ? std::move(*outcome)
                       : DataResponse<T>{std::nullopt,
                                         Basalt::fail(HttpError::of(HttpError::Kind::invalidURL))};
    }

    FakeService service;
    std::shared_ptr<Session> session = Session::create();
};

TEST_F(HttpSession, DecodesTheBodyOnTheChosenQueue) {
    service.on("/probe", Reply::json(200, R"({"name": "x"})").withHeader("x-extra", "1"));
    QThread* thread = nullptr;
    auto outcome = await(session->request(get("/probe"))
                             .validate({200})
                             .responseDecodable<Probe>(Basalt::Scheduler::main())
                             .map([&](DataResponse<Probe> r) {
                                 thread = QThread::currentThread();
                                 return r;
                             }));
    ASSERT_TRUE(outcome.result.ok()) << outcome.result.error().description();
    EXPECT_EQ(outcome.result->name, "x");
    ASSERT_TRUE(outcome.response);
    EXPECT_EQ(outcome.response->statusCode, 200);
    EXPECT_EQ(outcome.response->header("X-Extra"), "1");
    EXPECT_EQ(thread, QThread::currentThread());
}

TEST_F(HttpSession, TellsFailuresApart) {
    struct Row {
        const char* name;
        Reply reply;
        HttpError::Kind kind;
    };
    Reply truncated = Reply::json(200, R"({"name": "trunc)");
    truncated.mode = Reply::Mode::truncated;
    for (auto& row : std::vector<Row>{
             {"503", Reply::json(503, "{}"), HttpError::Kind::unacceptableStatusCode},
             {"empty200", Reply::json(200, ""), HttpError::Kind::emptyBody},
             {"notProbe", Reply::json(200, R"({"other": 1})"), HttpError::Kind::decodingFailed},
             {"truncated", truncated, HttpError::Kind::sessionTaskFailed},
         }) {
        service.on("/probe", row.reply);
        auto outcome = await(session->request(get("/probe"))
                                 .validate({200})
                                 .responseDecodable<Probe>(Basalt::Scheduler::global()));
        ASSERT_FALSE(outcome.result.ok()) << row.name;
        EXPECT_EQ(outcome.result.error().kind, row.kind)
            << row.name << ": " << outcome.result.error().description();
    }
}

TEST_F(HttpSession, ConnectionRefusedIsATransportFailure) {
    HttpRequest request;
    request.url = QUrl("http://127.0.0.1:1/nothing");
    auto outcome = await(session->request(request).responseData(Basalt::Scheduler::main()));
    ASSERT_FALSE(outcome.result.ok());
    EXPECT_EQ(outcome.result.error().kind, HttpError::Kind::sessionTaskFailed);
    EXPECT_FALSE(outcome.response);
}

TEST_F(HttpSession, CancellingAbortsTheTransfer) {
    service.on("/slow", Reply::json(200, R"({"name": "late"})").parked());
    bool delivered = false;
    auto handle = session->request(get("/slow"))
                      .responseData(Basalt::Scheduler::main())
                      .subscribe([&](auto) { delivered = true; }, nullptr);
    ASSERT_TRUE(waitUntil([&] { return service.parkedCount() == 1; }));
    handle.cancel();
    // The server sees the connection go.
    EXPECT_TRUE(waitUntil([&] { return service.disconnectedParkedCount() == 1; }));
    TestSupport::spin(50ms);
    EXPECT_FALSE(delivered);
}

TEST_F(HttpSession, ATimeoutIsNotACancellation) {
    service.on("/slow", Reply::json(200, "{}").parked());
    HttpRequest request = get("/slow");
    request.timeout = 200ms;
    auto outcome = await(session->request(request).responseData(Basalt::Scheduler::main()));
    ASSERT_FALSE(outcome.result.ok());
    EXPECT_EQ(outcome.result.error().kind, HttpError::Kind::sessionTaskFailed);
    EXPECT_EQ(outcome.result.error().reason, "The request timed out.");
}

TEST_F(HttpSession, SendsMethodHeadersAndBody) {
    HttpRequest request = get("/echo");
    request.method = "POST";
    request.setHeader("X-Token", "a");
    request.setHeader("x-token", "b");
    request.body = "k=v";
    service.on("/echo", Reply::json(200, "{}"));
    auto outcome = await(session->request(request).responseData(Basalt::Scheduler::main()));
    ASSERT_TRUE(outcome.result.ok());
    auto received = service.requests("/echo");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].method, "POST");
    EXPECT_EQ(received[0].header("X-Token"), "b");
    EXPECT_EQ(received[0].body, "k=v");
}

}  // namespace
