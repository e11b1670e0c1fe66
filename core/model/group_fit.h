// Group: a least-squares fit on one block of the data set, the cells of one
// group mask or the whole data set (optionally only the model's variables),
// for the Chow test, seemingly unrelated equations and saving a group as a
// data file of its own.
//
// The block is copied out of the model once, at construction; Estimate then
// fits it by the same sweep method as the model and returns the fit as a
// value (GroupFit), never changing the model. The moments come from the
// first-stage values when the block was built with them and the residuals
// from the observed values, so such a block gives two-stage least squares.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/data/group_mask.h"
#include "core/data/group_name.h"
#include "core/numeric/matrix.h"

class EngineContext;
class Reg;

// One fit of a group block with k data columns (the dependent one included)
// and n observations. Column index k stands for the constant term.
struct GroupFit {
    int dependent = -1;        // column of the dependent variable (k - 1)
    LongMatrix moments;        // (k+1) x (k+1), swept on the fitted columns
    std::vector<double> coef;  // k; at the dependent's column the constant term's
    std::vector<double> stdErr;
    // From s2 held at its floor (perfect_fit.h): what a t value divides by.
    std::vector<double> heldStdErr;
    std::vector<double> residual;  // n
    std::vector<double> leverage;
    std::vector<double> fitted;
    std::vector<double> tolerance;       // k + 1 singularity thresholds
    std::vector<std::uint8_t> inModel;   // k + 1; the constant term is always in
    std::vector<std::uint8_t> blocked;   // k; cannot enter, and the dependent
    int residualDf = 0;
    double s2 = 0, varY = 0, r2 = 0, adjR2 = 0, syy = 0, sse = 0;

    // Number of coefficients: the fitted columns and the constant term.
    int CountSelected() const;
};

class Group {
public:
    // The block of the mask (0: the whole data set; with useModel only the
    // variables with a role). The dependent variable stands in the last data
    // column. A block without observations or variables, or with no more
    // observations than columns, is not usable. Throws Exception "DERR"
    // when the mask selects no cell.
    Group(const Reg& owner, std::uint16_t mask, bool useModel, const std::string& dependentName,
          const std::string& dataSetName);

    bool Usable() const noexcept { return usable_; }
    int Rows() const noexcept { return n_; }
    int Cols() const noexcept { return k_; }
    std::uint16_t Mask() const noexcept { return mask_; }

    // Fits the block with depName as the dependent variable (without a mask
    // the model's dependent variable), moving it into column k - 1, and
    // enters the selected columns in ascending order; selection may be null
    // or shorter than k. Nothing for an unknown name or n <= k + 1.
    [[nodiscard]] std::optional<GroupFit> Estimate(const std::string& depName,
                                                   const std::vector<std::uint8_t>* selection);
    // Enters or removes column s of the fit; false, fit unchanged, for a
    // column outside 0..k-1, a blocked one, or a zero pivot.
    bool ToggleVariable(GroupFit& fit, int s) const;

    double GetValue(int i, int j) const { return values_.At(i, j); }
    double GetStageValue(int i, int j) const { return stageValues_.At(i, j); }
    // Group word of cell (i, j) when it shares a bit with the mask, else 0.
    std::uint16_t GetMark(int i, int j) const { return marks_.at(i).at(j); }
    const std::string& GetVarName(int j) const { return names_.at(j); }
    // Column 0..k-1 with that name; -1 when there is none.
    int FindVar(const std::string& name) const;
    const GroupName& GroupNames() const noexcept { return groupNames_; }

    // Writes the block as a binary data file: name, the k columns (the
    // dependent as an ordinary variable, info text = name, the model's type
    // byte) and the group names; the old file is kept as ".BAK".
    void SaveToFile(const std::string& fileName, const EngineContext& context) const;

private:
    double ComputeResiduals(GroupFit& fit) const;
    void ExchangeColumns(int a, int b);

    const Reg* owner_;
    std::uint16_t mask_;
    bool usable_ = false;
    int n_ = 0;
    int k_ = 0;
    Matrix values_;
    Matrix stageValues_;
    MarkTable marks_;
    std::vector<std::string> names_;
    std::vector<std::uint8_t> types_;
    std::string name_;
    GroupName groupNames_;
};
