// The long-lived windows created once at start-up, for the code that holds
// them.
#pragma once

#include "app/dialogs/find_dialogs.h"
#include "components/view/input_assist.h"
#include "app/macro/macro_window.h"
