#include "components/view/window_context.h"

#include "eval/app_state.h"

UiServices& WindowContext::Services() const { return state_->Services(); }
