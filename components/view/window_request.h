// What a window is opened with. Each window declares its own request struct
// (plain C++, next to the engine code of that window) so that any window can
// fill one; the registry carries it to the window without knowing its type.
#pragma once

#include <any>
#include <type_traits>
#include <utility>

class WindowRequest {
public:
    WindowRequest() = default;
    template <class Request, class = std::enable_if_t<!std::is_same_v<std::decay_t<Request>, WindowRequest>>>
    WindowRequest(Request request) : value_(std::move(request)) {}

    // The request when it is of that type, else null.
    template <class Request>
    const Request* As() const {
        return std::any_cast<Request>(&value_);
    }
    bool Empty() const { return !value_.has_value(); }

private:
    std::any value_;
};
