// Final-form equations written out term by term, for the algebra and
// assistant tests.
#pragma once

#include <string>
#include <vector>

#include "core/io/final_form_storage.h"

inline const std::string kConst = "定数項";

struct T {
    std::string name;
    int kind;
    double coef;
    int lag;
};

// left (coefficient 1, lag 0) = the terms in order.
inline FFElement Make(const std::string& left, int kind, const std::vector<T>& terms) {
    FFElement e;
    e.SetHead(FFCell(left, kind, 1.0, 0));
    for (const T& t : terms) e.AppendTerm(FFCell(t.name, t.kind, t.coef, t.lag));
    return e;
}
