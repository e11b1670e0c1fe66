// The long-lived windows created once at start-up, for the code that holds
// them.
#pragma once

#include "app/find_dialogs.h"
#include "app/input_assist.h"
#include "app/macro_window.h"
