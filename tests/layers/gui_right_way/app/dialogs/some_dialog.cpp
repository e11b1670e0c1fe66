#include "app/settings/settings_dialog.h"
#include "components/view/window_context.h"
#include "stats/ui/probe_window.h"
