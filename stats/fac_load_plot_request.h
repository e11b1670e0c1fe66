// What the factor loading plot is opened with: the loadings of every
// analysed variable on two components or factors, their names, the point
// labels, and the analysis the plot reads when the user switches an axis
// (it must stay alive while the plot is open).
#pragma once

#include <string>
#include <vector>

class PCA;

struct FacLoadPlotRequest {
    const PCA* analysis = nullptr;
    std::vector<double> x;  // horizontal loading per variable
    std::string xName;
    std::vector<double> y;  // vertical loading per variable
    std::string yName;
    std::vector<std::string> labels;
};
