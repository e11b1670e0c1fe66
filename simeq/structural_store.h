// RegFile: one stochastic equation of a simultaneous-equation system,
// estimated by two-stage least squares, its per-observation rows kept in a
// temporary file.
//
// Indexing (k = the stored equation's right-hand term count, the constant
// term last): 0 .. k-2 the regressors in stored order, k-1 the dependent
// variable, k the constant term. The caller passes two tables of the
// system's variables (one row per observation, columns in the order of the
// system's names): the observed values, and the first stage, in which every
// endogenous column holds its fitted values on the predetermined variables.
//
// Row file record t (k + 3 little-endian doubles at byte (k+3)*t*8):
// 0 .. k-2 first-stage regressors, k-1 observed dependent, k fitted value
// (observed regressors times the coefficients), k+1 residual, k+2 leverage.
//
// Failures raise the error families of platform/errors.h and leave the
// caller running: an equation that cannot be estimated is refused when
// built, never estimated into nonsense.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/numeric/matrix.h"

class Reg;
class TFileMatrix;

// The smallest variance ratio of limited-information maximum likelihood, or
// why it could not be formed.
struct LimlRatio {
    bool formed = false;
    double value = 0.0;
    std::string message;
    // The ratio as shown, or "不能".
    std::string Text() const;
};

class RegFile {
public:
    // Builds the store for equation `index` of the model's equation list and
    // estimates it. Refused (Exception) when the equation is a definition or
    // has no constant term last, when a variable is not among systemNames or
    // the tables are too small, with no residual degree of freedom
    // ("自由度不足") and with a regressor that is a linear combination of the
    // others ("掃き出し演算"). Both tables must outlive the store.
    RegFile(const Reg& model, int index, const TFileMatrix& firstStage, const TFileMatrix& observed,
            const std::vector<std::string>& systemNames);
    ~RegFile();
    RegFile(const RegFile&) = delete;
    RegFile& operator=(const RegFile&) = delete;

    // Writes the row file and estimates the equation again from the tables.
    // After an error the store holds no valid estimate: build a new one.
    void Estimate();

    int N() const noexcept { return n_; }
    int K() const noexcept { return k_; }
    int DependentIndex() const noexcept { return k_ - 1; }
    int Df() const noexcept { return df_; }
    double S2() const noexcept { return s2_; }
    double VarY() const noexcept { return varY_; }
    // 1 - s2 / var(y); 0 when the dependent variable is constant.
    double R2() const noexcept { return r2_; }

    // i = k: the constant term's name; otherwise names[i] (ERangeError
    // outside 0..k).
    std::string GetName(int i) const;
    // First i in 0..k-1 with that name; -1 when none (never the constant).
    int IndexOf(const std::string& name) const;
    // Coefficient of regressor i (0..k-2) or of the constant term (k);
    // 0 for any other i.
    double GetCoef(int i) const;
    // Covariance of coefficients i and j (indices 0..k).
    double GetCov(int i, int j) const;
    // Column of name i in the tables.
    int GetColumn(int i) const;
    // Observed value of regressor i at observation t; 1.0 for i >= k-1.
    double GetX(int t, int i) const;
    double GetResidual(int t) const;
    // Record t of the row file (k + 3 values).
    void ReadRecord(int t, std::vector<double>& out) const;
    const std::string& RowFileName() const;

    // The smallest root of det(W0 - lambda W) = 0, W0 and W the cross-products
    // of the equation's endogenous variables after the included and after all
    // predetermined variables.
    LimlRatio ComputeLimlRoot() const;
    // Covariance between this equation's coefficients (rows, constant last)
    // and other's (columns): s_AB P_A Q P_B, Q the cross-products of the
    // observed regressors, s_AB the residual cross-product over n - 1. For
    // other == this, s2 times the inverse cross-products. out is replaced
    // only when the whole matrix was computed.
    void CrossCovariance(const RegFile& other, Matrix& out) const;

private:
    // Listed coefficient indices: 0 .. k-2, then k.
    std::vector<int> Listed() const;
    Matrix SweptBlock() const;
    // T with P x = T (x - m, 1) for an observed row x, k x k row-major.
    std::vector<long double> CoefficientTransform() const;
    void WriteRowsAndMoments();
    void SweepRegressors();
    void FillFittedValues();

    const Reg* model_;
    const TFileMatrix* firstStage_;
    const TFileMatrix* observed_;
    std::vector<std::string> names_;
    std::vector<int> columns_;
    LongMatrix moments_;
    // The moments before the sweep (the means in row k).
    LongMatrix unswept_;
    std::unique_ptr<TFileMatrix> rows_;
    int n_ = 0;
    int k_ = 0;
    int df_ = 0;
    double s2_ = 0.0;
    double varY_ = 0.0;
    double r2_ = 0.0;
};
