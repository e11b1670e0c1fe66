#include "app/main_window/launch_table.h"
