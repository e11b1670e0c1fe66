#include "components/view/grid_marks.h"
