// What the structural change test window is opened with: the model it
// tests and how to read the program's choice between a boundary and two
// groups, asked each time the window needs it.
#pragma once

#include <functional>

class Reg;

struct ChowRequest {
    const Reg* model = nullptr;
    // True: the parts are two groups of the data set; null reads false.
    std::function<bool()> groupMode;
};
