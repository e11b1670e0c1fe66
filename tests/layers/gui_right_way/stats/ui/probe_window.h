// A window that uses what a window may.
#pragma once
#include "components/view/window_registry.h"
#include "core/model/regression_model.h"
#include "platform/qt/string_grid.h"
#include "stats/ui/probe_page.h"
#include "stats/univariate.h"
