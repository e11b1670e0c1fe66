// The preliminary regression: one target series regressed on the other
// variables of the data set or on powers of time (t .. t^5 from t = 1),
// regressors clicked in and out one at a time, before the target is
// replaced by the fitted values or the residuals.
//
// Slots 0 .. p-2 are the candidates, slot p-1 the target; the constant term
// is always in. Every figure follows from the centred cross-products of the
// slots, so a toggle costs a p x p solve and one pass for the residuals.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/numeric/matrix.h"
#include "core/report/result_table.h"

class Data;
class EngineContext;
class TNamedData;

class PreliminaryRegression {
public:
    enum class Mode { Variables, Time };

    // target: the variable the series belongs to (left out of the
    // candidates in variable mode), shown as targetName; values: its n
    // values. Enters the best single candidate. Throws for values that are
    // not finite numbers, a series of fewer than two observations or one
    // whose length is not the data set's.
    PreliminaryRegression(const Data& data, int target, std::string targetName, std::vector<double> values,
                          Mode mode);

    Mode GetMode() const { return mode_; }
    int ObservationCount() const { return n_; }
    int SlotCount() const { return p_; }
    int TargetSlot() const { return p_ - 1; }
    const std::string& SlotName(int j) const { return names_.at(j); }
    int FindSlot(const std::string& name) const;
    bool InModel(int j) const { return in_.at(j); }
    // F to enter (outside) or to remove (inside); 0 for a candidate that is
    // collinear with the model or cannot be judged ("TOL CHECK").
    double F(int j) const { return f_.at(j); }
    double Coef(int j) const { return b_.at(j); }
    double StdError(int j) const;
    double ConstantCoef() const { return b0_; }
    double ConstantStdError() const { return se0_; }
    int ResidualDf() const { return df_; }
    double S2() const { return s2_; }
    double R2() const { return r2_; }
    double Press() const { return press_; }

    // Enters a candidate outside the model or removes one inside. False,
    // nothing changed, for the target or a slot outside the range, for a
    // candidate when fewer than 3 residual degrees of freedom remain, and
    // for one collinear with the model.
    bool Toggle(int j);

    double Value(int i, int j) const { return cols_.at(j)[i]; }
    const std::vector<double>& Target() const { return cols_.at(p_ - 1); }
    const std::vector<double>& Fitted() const { return fitted_; }
    const std::vector<double>& Residuals() const { return residual_; }
    const std::vector<double>& Leverages() const { return leverage_; }
    // The residuals over sqrt((1 - h) s2), leaving out the observations
    // whose 1 - h is not positive.
    std::vector<double> StandardizedResiduals() const;
    // The same, one per observation: no number (NaN) where 1 - h is not
    // positive.
    std::vector<double> StandardizedResidualColumn() const;
    // Another estimator's fit of the same regression takes the place of
    // this one's (the figures above stay those of the least-squares fit).
    void ReplaceFit(std::vector<double> fitted, std::vector<double> residual);

private:
    void Refit();

    Mode mode_;
    int n_ = 0, p_ = 0;
    std::vector<std::vector<double>> cols_;
    std::vector<std::string> names_;
    // The centred cross-products of the slots, their means in row p.
    LongMatrix moments_;
    std::vector<bool> in_;
    std::vector<double> f_, b_, inverseDiagonal_;
    std::vector<double> fitted_, residual_, leverage_;
    double b0_ = 0, se0_ = 0, s2_ = 0, r2_ = 0, press_ = 0, sse_ = 0;
    int df_ = 0;
};

// What the ridge regression takes over: every slot with its name,
// selected when it is the target or in the model; the target is column
// TargetSlot().
std::unique_ptr<TNamedData> RidgeHandOffTable(const PreliminaryRegression& r, EngineContext& context);

// Heading the target's name; the constant term's row ("-" for its F), then
// one per candidate: F ("TOL CHECK" for 0), and for a regressor in the
// model its estimate and standard error, "-" and "-" for one outside.
ResultTable PreliminaryEstimateTable(const PreliminaryRegression& r, const std::string& name);

// Number, observed and fitted value, formed when asked.
class PreliminaryFittedTable {
public:
    explicit PreliminaryFittedTable(std::shared_ptr<const PreliminaryRegression> r) : r_(std::move(r)) {}
    int ColumnCount() const { return 3; }
    int RowCount() const { return r_->ObservationCount(); }
    std::string Title(int column) const;
    ResultCell Cell(int column, int row) const;

private:
    std::shared_ptr<const PreliminaryRegression> r_;
};
