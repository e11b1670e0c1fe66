// The variable transforms of the curve families: which one each family
// applies to x and to y, where it is defined, its inverse, and the axis
// label it gives a variable.
#pragma once

#include <string>

#include "core/numeric/box_cox_units.h"

enum class VariableTransform { kNone, kLog, kReciprocal, kBoxCox };

struct CurveTransform {
    VariableTransform x = VariableTransform::kNone;
    VariableTransform y = VariableTransform::kNone;
};

// Types 0..12; the polynomials (1..3) transform nothing, their powers are
// formed by the fitter.
CurveTransform CurveTransformOf(int type);

// Writes the transformed value; false when it is undefined (ln and Box-Cox
// need v > 0, the reciprocal v != 0) or not finite. Box-Cox transforms v
// in the given units (box_cox_units.h).
[[nodiscard]] bool ApplyTransform(VariableTransform t, double lambda, double v, double* out,
                                  BoxCoxUnits units = {});
// Back from the transformed scale (exp, reciprocal, inverse Box-Cox).
double InverseTransform(VariableTransform t, double lambda, double w);
// "ln(" name ")", "1/" name, "BCE(" name ")" or the name itself.
std::string TransformLabel(VariableTransform t, const std::string& name);
