#include "estimators/residual_titles.h"

std::string ResidualColumnTitle(int column, StringId fifth) {
    switch (column) {
    case 1: return LoadStr(kStrObserved);
    case 2: return LoadStr(kStrPredicted);
    case 3: return LoadStr(kStrResidual);
    case 4: return LoadStr(kStrErrorRate);
    case 5: return LoadStr(fifth);
    default: return {};
    }
}
