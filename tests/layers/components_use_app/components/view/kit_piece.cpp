#include "app/settings/settings_dialog.h"
