// PCA: principal components and factor analysis of a block of observations
// and variables.
//
// From the data it keeps the standardised values, the correlation matrix,
// its eigenvalues (decreasing) and eigenvectors (largest component
// positive), contributions, loadings, cumulative communalities, component
// scores, an m-factor solution (varimax of the component loadings, or a
// Minres fit followed by varimax), factor scores, and the outlier table of
// standardised residuals and component scores per observation. It also
// keeps the names of the variables and the names offered for the score
// series ("Z" and "F" with a number that no variable of the data set has).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/io/file_matrix.h"
#include "core/numeric/matrix.h"
#include "eval/reserved_words.h"

class EngineContext;
class Reg;

class PCA {
public:
    // Factor solution methods.
    static constexpr std::uint8_t kMethodVarimax = 0;
    static constexpr std::uint8_t kMethodMinres = 1;
    // Kinds of a name found by FindName.
    static constexpr std::uint8_t kNameVariable = 0;
    static constexpr std::uint8_t kNameScore = 1;
    static constexpr std::uint8_t kNameFactorScore = 2;

    // The analysis of n x p raw values (one column per variable, named by
    // names), computed with the default number of factors. variableNames
    // answers which names the data set already uses, for the score names.
    // Throws Exception "DERR" when there is no observation or variable,
    // EOverflowingSums for a variable whose sum of squares about its mean
    // is past the largest double, and Exception "定数です = " + name for a
    // constant variable. The analysis
    // keeps using the context (threads, temporary file) and must not
    // outlive it.
    PCA(EngineContext& context, Matrix raw, std::vector<std::string> names, const NameInUse& variableNames);
    ~PCA();
    PCA(const PCA&) = delete;
    PCA& operator=(const PCA&) = delete;

    // Eigen-decomposition, loadings, scores and the factor solution with m
    // factors (m <= 0: as many as eigenvalues above 1.0); the outlier table
    // follows on its next read. A failed extraction is repeated once with
    // the default count. Throws EMathError "EIGEN ERROR!" when the
    // eigenvalues do not converge (or the data hold a value that is not a
    // number).
    void Compute(int m);
    // The m-factor solution and its factor scores; m is held to 1 .. p.
    void ExtractFactors(int m);

    std::uint8_t Method() const { return method_; }
    void SetMethod(std::uint8_t method) { method_ = method; }

    int ObsCount() const { return n_; }
    int VarCount() const { return p_; }
    // Factors of the current solution.
    int FactorCount() const { return factorCount_; }
    // The most factors worth offering for p variables,
    // trunc(p + 0.5 - 0.5 sqrt(8p + 1)): 0 for p = 1, 2; 1 for 3, 4; 2 for 5.
    static int FactorBound(int p);
    // Components counted in the outlier table. The table (a temporary file
    // that only the outlier page reads) is built on the first read after
    // each Compute.
    int OutlierComponents() const;

    // Elements; the accessors marked "tiny as 0" give 0.0 for a magnitude
    // below 2.220446049250313e-16.
    double GetEigenValue(int i) const;
    double GetContribution(int i) const;            // tiny as 0
    double GetCumulativeContribution(int i) const;  // tiny as 0
    double GetCorrelation(int i, int j) const;
    double GetEigenVector(int i, int j) const;      // tiny as 0
    double GetLoading(int i, int j) const;          // tiny as 0
    double GetCommunality(int i, int j) const;      // tiny as 0
    double GetRotatedLoading(int i, int j) const;   // tiny as 0
    double GetStandardizedValue(int i, int j) const;  // tiny as 0
    double GetScore(int i, int j) const;
    double GetFactorScore(int i, int j) const;
    double GetOutlierValue(int i, int j) const;

    const std::string& GetVarName(int i) const;
    const std::string& GetScoreName(int i) const;
    const std::string& GetFactorScoreName(int i) const;
    void SetScoreName(int i, const std::string& name);
    void SetFactorScoreName(int i, const std::string& name);
    // True when name is one of the offered score or factor-score names.
    bool HoldsScoreName(const std::string& name) const;

    // Index and kind of a variable, score or factor-score name (exact
    // match, in that order; factor scores over the current factors).
    // Index -1 when absent.
    std::pair<int, std::uint8_t> FindName(const std::string& name) const;
    // Observation obs of what FindName found; 0.0 for index -1 or obs
    // outside the data, and for a magnitude below 2.220446049250313e-16.
    double GetValueByName(std::pair<int, std::uint8_t> found, int obs) const;

private:
    void MakeScoreNames(const NameInUse& variableNames);
    void UpdateOutlierTable() const;

    EngineContext* context_;
    int n_ = 0;
    int p_ = 0;
    int factorCount_ = 0;
    mutable int outlierComponents_ = 0;
    mutable bool outliersCurrent_ = false;
    Matrix standardized_;  // n x p
    Matrix scores_;        // n x p
    Matrix loadings_;      // p x p
    Matrix communality_;   // p x p
    Matrix correlation_;   // p x p
    Matrix eigenVectors_;  // p x p
    Matrix rotated_;       // p x m, empty before the first extraction
    Matrix factorScores_;  // n x m, empty before the first extraction
    Vector contribution_;
    Vector cumulative_;
    Vector eigenValues_;
    std::vector<std::string> varNames_;
    std::vector<std::string> scoreNames_;
    std::vector<std::string> factorNames_;
    std::uint8_t method_ = kMethodVarimax;
    mutable std::unique_ptr<TFileMatrix> outlierTable_;  // n x 2p
};

// The analysis of the flagged variables of the data set's block chosen by
// the group mask (0: every observation and variable); varFlags holds one
// flag per variable of the block. Throws Exception "DERR" for an empty
// block or no flagged variable.
std::unique_ptr<PCA> MakeDataSetPCA(const Reg& reg, std::uint16_t groupMask, const std::vector<std::uint8_t>& varFlags,
                                    const NameInUse& variableNames);
// The analysis of the flagged columns of a named table (all its rows).
std::unique_ptr<PCA> MakeTablePCA(const TNamedData& table, const std::vector<std::uint8_t>& colFlags,
                                  const NameInUse& variableNames);
