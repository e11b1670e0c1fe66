// What the Yule-Walker estimation window is opened with from a window that
// shows one series (the univariate statistics window): the series by name,
// copied, and the order to start from. The window hands nothing back to
// such a caller; the transformation command opens it with its own request.
#pragma once

#include <string>
#include <vector>

struct YuleWalkerRequest {
    std::string name;
    std::vector<double> values;  // observation order
    int order = 1;               // the autoregressive order proposed, >= 1
};
