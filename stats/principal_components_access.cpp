// Element accessors and the names of the analysis.
#include <cmath>

#include "core/numeric/numeric_helpers.h"
#include "platform/errors.h"
#include "stats/principal_components.h"

namespace {

// Upper bound on renumbering a score name past names already in use.
constexpr int kMaxNameTries = 1000000;

double ZeroIfBelowEpsilon(double x) { return std::fabs(x) < kDoubleEpsilon ? 0.0 : x; }

const std::string& NameAt(const std::vector<std::string>& names, int i) {
    if (i < 0 || i >= static_cast<int>(names.size())) throw ERangeError("範囲エラー");
    return names[static_cast<std::size_t>(i)];
}

}  // namespace

double PCA::GetEigenValue(int i) const { return eigenValues_.At(i); }
double PCA::GetContribution(int i) const { return ZeroIfBelowEpsilon(contribution_.At(i)); }
double PCA::GetCumulativeContribution(int i) const { return ZeroIfBelowEpsilon(cumulative_.At(i)); }
double PCA::GetCorrelation(int i, int j) const { return correlation_.At(i, j); }
double PCA::GetEigenVector(int i, int j) const { return ZeroIfBelowEpsilon(eigenVectors_.At(i, j)); }
double PCA::GetLoading(int i, int j) const { return ZeroIfBelowEpsilon(loadings_.At(i, j)); }
double PCA::GetCommunality(int i, int j) const { return ZeroIfBelowEpsilon(communality_.At(i, j)); }
double PCA::GetRotatedLoading(int i, int j) const { return ZeroIfBelowEpsilon(rotated_.At(i, j)); }
double PCA::GetStandardizedValue(int i, int j) const { return ZeroIfBelowEpsilon(standardized_.At(i, j)); }
double PCA::GetScore(int i, int j) const { return scores_.At(i, j); }
double PCA::GetFactorScore(int i, int j) const { return factorScores_.At(i, j); }
double PCA::GetOutlierValue(int i, int j) const {
    UpdateOutlierTable();
    return outlierTable_->GetValue(i, j);
}

const std::string& PCA::GetVarName(int i) const { return NameAt(varNames_, i); }
const std::string& PCA::GetScoreName(int i) const { return NameAt(scoreNames_, i); }
const std::string& PCA::GetFactorScoreName(int i) const { return NameAt(factorNames_, i); }

void PCA::SetScoreName(int i, const std::string& name) {
    NameAt(scoreNames_, i);
    scoreNames_[static_cast<std::size_t>(i)] = name;
}

void PCA::SetFactorScoreName(int i, const std::string& name) {
    NameAt(factorNames_, i);
    factorNames_[static_cast<std::size_t>(i)] = name;
}

bool PCA::HoldsScoreName(const std::string& name) const {
    for (const std::string& s : scoreNames_)
        if (s == name) return true;
    for (const std::string& s : factorNames_)
        if (s == name) return true;
    return false;
}

std::pair<int, std::uint8_t> PCA::FindName(const std::string& name) const {
    for (int i = 0; i < p_; ++i)
        if (varNames_[static_cast<std::size_t>(i)] == name) return {i, kNameVariable};
    for (int i = 0; i < p_; ++i)
        if (scoreNames_[static_cast<std::size_t>(i)] == name) return {i, kNameScore};
    for (int i = 0; i < factorCount_ && i < p_; ++i)
        if (factorNames_[static_cast<std::size_t>(i)] == name) return {i, kNameFactorScore};
    return {-1, kNameVariable};
}

double PCA::GetValueByName(std::pair<int, std::uint8_t> found, int obs) const {
    const int index = found.first;
    if (index < 0 || obs < 0 || obs >= n_) return 0.0;
    const Matrix* source = nullptr;
    switch (found.second) {
    case kNameVariable: source = &standardized_; break;
    case kNameScore: source = &scores_; break;
    case kNameFactorScore: source = &factorScores_; break;
    default: return 0.0;
    }
    if (index >= source->Cols()) return 0.0;
    return ZeroIfBelowEpsilon((*source)[obs][index]);
}

void PCA::MakeScoreNames(const NameInUse& variableNames) {
    scoreNames_.assign(static_cast<std::size_t>(p_), std::string());
    factorNames_.assign(static_cast<std::size_t>(p_), std::string());
    // A name the data set already has moves this and every later number up.
    auto freeName = [&](const char* prefix, int& counter) {
        for (int tries = 0; tries < kMaxNameTries; ++tries) {
            std::string candidate = prefix + std::to_string(counter);
            if (ClassifyNewName(candidate, variableNames) != kNewNameTaken) return candidate;
            ++counter;
        }
        throw Exception("二重定義エラー");
    };
    int zc = 0, fc = 0;
    for (int k = 0; k < p_; ++k) {
        scoreNames_[static_cast<std::size_t>(k)] = freeName("Z", zc);
        factorNames_[static_cast<std::size_t>(k)] = freeName("F", fc);
        ++zc;
        ++fc;
    }
}
