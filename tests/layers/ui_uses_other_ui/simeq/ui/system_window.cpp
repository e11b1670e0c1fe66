#include "estimators/ui/ridge_window.h"
