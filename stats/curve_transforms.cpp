// Transforms of the curve families.
#include "stats/curve_transforms.h"

#include <cmath>

#include "core/numeric/box_cox_units.h"
#include "core/numeric/numeric_helpers.h"
#include "stats/curve_types.h"

CurveTransform CurveTransformOf(int type) {
    using T = VariableTransform;
    switch (type) {
        case reglnXlnY: return {T::kLog, T::kLog};
        case regXlnY: return {T::kNone, T::kLog};
        case reglnXY: return {T::kLog, T::kNone};
        case reginvXinvY: return {T::kReciprocal, T::kReciprocal};
        case reginvXY: return {T::kReciprocal, T::kNone};
        case regXinvY: return {T::kNone, T::kReciprocal};
        case regXbceY: return {T::kNone, T::kBoxCox};
        case regbceXY: return {T::kBoxCox, T::kNone};
        case regbceXbceY: return {T::kBoxCox, T::kBoxCox};
        default: return {};
    }
}

bool ApplyTransform(VariableTransform t, double lambda, double v, double* out, BoxCoxUnits units) {
    if (!std::isfinite(v)) return false;
    switch (t) {
        case VariableTransform::kNone: *out = v; break;
        case VariableTransform::kLog:
            if (!(v > 0.0)) return false;
            *out = std::log(v);
            break;
        case VariableTransform::kReciprocal:
            if (v == 0.0) return false;
            *out = 1.0 / v;
            break;
        case VariableTransform::kBoxCox:
            if (!(v > 0.0)) return false;
            *out = BoxCoxOfLog(lambda, units.Log(v));
            break;
    }
    return std::isfinite(*out);
}

double InverseTransform(VariableTransform t, double lambda, double w) {
    switch (t) {
        case VariableTransform::kLog: return std::exp(w);
        case VariableTransform::kReciprocal: return 1.0 / w;
        case VariableTransform::kBoxCox: return BoxCoxInverse(true, lambda, w);
        case VariableTransform::kNone: break;
    }
    return w;
}

std::string TransformLabel(VariableTransform t, const std::string& name) {
    switch (t) {
        case VariableTransform::kLog: return "ln(" + name + ")";
        case VariableTransform::kReciprocal: return "1/" + name;
        case VariableTransform::kBoxCox: return "BCE(" + name + ")";
        case VariableTransform::kNone: break;
    }
    return name;
}
