// SimultaneousSystem: what a data set's equation list implies as a system.
//
// Names: the G endogenous variables in the list's order, then the K
// predetermined ones, the constant term "定数項" last. Per-observation and
// covariance tables live in temporary files:
//   observed            n x (G+K-1)  data values, constant left out
//   first stage         n x (G+K-1)  endogenous columns replaced by their
//                                    least-squares fit on the predetermined
//   coefficients        E x (G+K)    1 for the left-hand variable, minus the
//                                    coefficient of a right-hand one, else 0
//   reduced form        G x K        Pi = -B^-1 Gamma
//   simulation          n x G        dynamic simulation of the endogenous
//   structural cov.     E(G+K) square, element p*(G+K) + j for equation
//                                    position p and system variable j
//   reduced-form cov.   GK square,   element i*K + k
// (E = the number of equations.) In two-stage mode every stochastic
// equation is re-estimated by two-stage least squares in the system's own
// copy of the list; the data set's equations never change. In the other
// mode the stored coefficients are used and both covariances are zero.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/data/equation_list.h"
#include "core/numeric/matrix.h"

class Reg;
class RegFile;
class TFileMatrix;

class SimultaneousSystem {
public:
    SimultaneousSystem();
    ~SimultaneousSystem();
    SimultaneousSystem(const SimultaneousSystem&) = delete;
    SimultaneousSystem& operator=(const SimultaneousSystem&) = delete;

    // Builds the whole system. Refused with an Exception naming the cause
    // (nothing kept): an empty list, fewer equations than endogenous
    // variables, a variable outside the system, a stochastic equation not
    // ending with the constant term (two-stage mode), a singular B, and the
    // failures of the two-stage estimates. The model must outlive the build.
    void Build(const Reg& model, bool twoStage);
    // Build, catching its failure: false with the text in ErrorText().
    bool TryBuild(const Reg& model, bool twoStage);
    const std::string& ErrorText() const { return error_; }
    // Releases everything; no model.
    void Clear();
    bool IsBuilt() const { return model_ != nullptr; }

    const Reg* Model() const { return model_; }
    bool TwoStage() const { return twoStage_; }
    int N() const { return n_; }
    int G() const { return g_; }
    int K() const { return k_; }
    int S() const { return static_cast<int>(stochastic_.size()); }
    int EquationCount() const { return equations_.GetCount(); }
    // List positions of the stochastic equations, ascending.
    const std::vector<int>& StochasticPositions() const { return stochastic_; }
    // The system's own copy of the equations (re-estimated in two-stage mode).
    const ExpresList& Equations() const { return equations_; }
    // Display text of every stochastic equation, in order.
    std::vector<std::string> StochasticTexts() const;
    const std::vector<std::string>& Names() const { return names_; }
    // Position in the system names, -1 when absent.
    int IndexOfName(const std::string& name) const;

    const TFileMatrix& Observed() const { return *observed_; }
    const TFileMatrix& FirstStage() const { return *firstStage_; }
    const TFileMatrix& Coefficients() const { return *coefficients_; }
    const TFileMatrix& ReducedForm() const { return *reduced_; }
    const TFileMatrix& Simulation() const { return *simulation_; }
    const TFileMatrix& StructuralCovariance() const { return *structuralCov_; }
    const TFileMatrix& ReducedFormCovariance() const { return *reducedCov_; }
    // The two-stage store of stochastic equation s (0 .. S-1); two-stage
    // mode only (ERangeError otherwise).
    const RegFile& Store(int s) const;
    // The derivative of Pi by the stacked structural coefficients (two-stage
    // mode), G(G+K) x GK.
    const Matrix& Derivative() const { return derivative_; }

    // Reduced-form predictions from the K-1 predetermined values (the
    // constant left out); ERangeError for another count.
    std::vector<double> Predict(const std::vector<double>& predetermined) const;
    // Keeps the entered values and their predictions.
    void SetPredictionInputs(const std::vector<double>& predetermined);
    const std::vector<double>& PredictionInputs() const { return inputs_; }
    const std::vector<double>& Predictions() const { return predictions_; }

private:
    void CheckEquations(const Reg& model) const;
    void FillObserved(const Reg& model);
    void ComputeFirstStage();
    void ReEstimate(const Reg& model);
    void FillCoefficients();
    void SolveReducedForm();
    void ComputeDerivative();
    void ComputeStructuralCovariance();
    void ComputeReducedFormCovariance();
    void Simulate(const Reg& model);

    const Reg* model_ = nullptr;
    bool twoStage_ = false;
    int n_ = 0;
    int g_ = 0;
    int k_ = 0;
    std::vector<int> stochastic_;
    ExpresList equations_;
    std::vector<std::string> names_;
    std::unique_ptr<TFileMatrix> observed_;
    std::unique_ptr<TFileMatrix> firstStage_;
    std::unique_ptr<TFileMatrix> coefficients_;
    std::unique_ptr<TFileMatrix> reduced_;
    std::unique_ptr<TFileMatrix> simulation_;
    std::unique_ptr<TFileMatrix> structuralCov_;
    std::unique_ptr<TFileMatrix> reducedCov_;
    std::vector<std::unique_ptr<RegFile>> stores_;
    Matrix derivative_;
    std::vector<double> inputs_;
    std::vector<double> predictions_;
    std::string error_;
};
