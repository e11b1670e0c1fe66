// Zelner: seemingly unrelated regressions, one equation per observation
// group, estimated jointly by feasible generalised least squares with the
// cross-equation residual covariance (two-step, or iterated to convergence).
//
// Each equation comes as a block of n rows and k columns whose column
// `dependentPos` holds the constant term (1.0 throughout); its coefficient
// is reported at that position. The estimation regressors Z may differ from
// the residual regressors X (first-stage values against observed ones): the
// normal equations are then Z'(W x I)X b = Z'(W x I)y, the three-stage form.
// Rows are paired by position; only the first n rows of each equation enter,
// n being the smallest row count. The system is formed about the means
// (simeq/sur_system.h).
//
// Failures raise the error families of platform/errors.h: "式がありません",
// "自由度不足", "掃き出し演算", "INVERSE ERROR!" (a singular residual
// covariance) and a message for data that are not finite numbers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/numeric/matrix.h"

struct SurEquation {
    std::string name;                   // the group's name
    std::vector<std::string> varNames;  // k names; at dependentPos the dependent's
    int dependentPos = -1;              // the constant term's column
    std::vector<double> y;              // at least n values
    Matrix residualRegressors;          // X: rows x k
    Matrix estimationRegressors;        // Z: rows x k
};

struct SurOptions {
    bool iterate = false;
    // 0: 200 when iterating, else 2 (least squares, then one weighted step).
    int iterationLimit = 0;
};

// The estimate of every equation, and the covariances it came from.
struct SurEquationResult {
    std::vector<double> coef, stdErr;  // k
    std::vector<double> residual;      // n: y - X b
    std::vector<double> leverage;      // n: of the final weighted step
    std::vector<double> coefCov;       // k x k, row by row
};

struct SurResult {
    std::vector<SurEquationResult> equations;
    // G x G, row by row: from the final residuals (the one reported), and
    // the one whose inverse weighted the final step (the coefficients, their
    // covariances and the leverages are that step's).
    std::vector<double> sigma, sigmaUsed;
    int iterations = 0;
    bool converged = false;  // the relative change fell below the threshold

    double GetCoef(int i, int j) const { return equations.at(i).coef.at(j); }
    double GetStdError(int i, int j) const { return equations.at(i).stdErr.at(j); }
    double GetSigma(int i, int j) const { return sigma.at(Cell(i, j, equations.size())); }
    double GetSigmaUsed(int i, int j) const { return sigmaUsed.at(Cell(i, j, equations.size())); }
    double GetCoefCov(int i, int r, int c) const {
        const SurEquationResult& e = equations.at(i);
        return e.coefCov.at(Cell(r, c, e.coef.size()));
    }
    const std::vector<double>& GetResidualData(int i) const { return equations.at(i).residual; }
    const std::vector<double>& GetLeverageData(int i) const { return equations.at(i).leverage; }

private:
    // Index of (r, c) in a size x size table; out of range gives an index
    // that at() refuses.
    static std::size_t Cell(int r, int c, std::size_t size) {
        if (r < 0 || c < 0 || static_cast<std::size_t>(r) >= size || static_cast<std::size_t>(c) >= size)
            return static_cast<std::size_t>(-1);
        return static_cast<std::size_t>(r) * size + static_cast<std::size_t>(c);
    }
};

class Zelner {
public:
    // Takes the equations over, cut to the common row count. Throws
    // "式がありません" for none, ERangeError for an inconsistent block (a
    // constant column other than 1.0 included).
    explicit Zelner(std::vector<SurEquation> equations);

    [[nodiscard]] SurResult Estimate(const SurOptions& options) const;

    int GetEquationCount() const { return static_cast<int>(eq_.size()); }
    int GetObservationCount() const { return n_; }
    int GetCoefCount(int i) const { return static_cast<int>(eq_.at(i).varNames.size()); }
    int GetDependentPos(int i) const { return eq_.at(i).dependentPos; }
    int GetDf(int i) const { return n_ - GetCoefCount(i); }
    double GetDependent(int i, int t) const { return eq_.at(i).y.at(t); }
    const std::vector<double>& GetDependentData(int i) const { return eq_.at(i).y; }
    const std::string& GetVarName(int i, int j) const { return eq_.at(i).varNames.at(j); }
    const std::string& GetEquationName(int i) const { return eq_.at(i).name; }
    // "定数項" gives the constant term's position; otherwise the first
    // position with that name, -1 when there is none.
    int FindVar(int i, const std::string& name) const;

private:
    std::vector<SurEquation> eq_;
    int n_ = 0;
};
