// Handlers of Qt signals run under the command guard: an error is shown
// through the services and never escapes into Qt's event loop. The wrapper
// takes whatever the signal sends and hands the handler the arguments it
// accepts (all of them, or none).
//
//   connect(btnOK, &QPushButton::clicked, this, Guarded(state_, [this] { btnOKClick(); }));
#pragma once

#include <type_traits>
#include <utility>

#include "eval/app_state.h"
#include "platform/command_guard.h"

namespace guarded_slot_detail {

template <class Handler, class... Args>
void Call(Handler& handler, Args&&... args) {
    if constexpr (std::is_invocable_v<Handler&, Args...>) {
        handler(std::forward<Args>(args)...);
    } else {
        handler();
    }
}

}  // namespace guarded_slot_detail

// Guarded by the services the state has when the signal arrives (they may
// be exchanged after the connection was made).
template <class Handler>
auto Guarded(AppState& state, Handler handler) {
    return [&state, handler](auto&&... args) mutable {
        GuardCommand(state.Services(), [&] { guarded_slot_detail::Call(handler, args...); });
    };
}

// Guarded by fixed services.
template <class Handler>
auto Guarded(UiServices& services, Handler handler) {
    return [&services, handler](auto&&... args) mutable {
        GuardCommand(services, [&] { guarded_slot_detail::Call(handler, args...); });
    };
}
