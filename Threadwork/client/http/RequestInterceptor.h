#pragma once

#include <functional>

#include "Basalt/Result.h"
#include "Threadwork/client/http/HttpError.h"
#include "Threadwork/client/http/HttpRequest.h"

namespace Threadwork::Http {

// Stands between a request and the wire: adapts it before it is sent (possibly later, from
// another thread) and decides whether a failed one is retried.
class RequestInterceptor {
public:
    using Adapted = std::function<void(Basalt::Result<HttpRequest, HttpError>)>;
    virtual ~RequestInterceptor() = default;

    virtual void adapt(HttpRequest request, Adapted completion) = 0;
    virtual bool shouldRetry(const HttpRequest&, const HttpError&) { return false; }
};

}  // namespace Threadwork::Http
