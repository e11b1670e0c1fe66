// Column titles shared by the residual tables of the estimators: the
// observation number's column untitled, then observed, predicted, residual
// and error rate, and one measure of the estimator's own in column 5.
#pragma once

#include <string>

#include "resources/string_table.h"

std::string ResidualColumnTitle(int column, StringId fifth);
