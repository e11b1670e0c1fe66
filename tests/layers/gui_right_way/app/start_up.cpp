#include "app/main_window/main_window.h"
