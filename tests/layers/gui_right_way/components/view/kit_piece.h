#pragma once
#include "eval/app_state.h"
#include "platform/qt/string_grid.h"
