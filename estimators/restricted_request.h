// What the restricted regression window is opened with: the model whose data
// it fits (and whose equation list takes the restricted equation) and one
// flag per variable of the data set, 1 for a variable the fit may use.
#pragma once

#include <cstdint>
#include <vector>

class Reg;

struct RestrictedRequest {
    Reg* model = nullptr;
    std::vector<std::uint8_t> variableFlags;
};
