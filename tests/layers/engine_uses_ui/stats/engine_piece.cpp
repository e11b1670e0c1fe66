#include "stats/ui/probe_window.h"
