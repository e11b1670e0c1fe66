// A numeric kernel reaching up into the model: the layer check must refuse it.
#pragma once
#include "core/model/fit.h"
