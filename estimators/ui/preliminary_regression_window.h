// TfrmPreREG: the transformation by preliminary regression. The target is
// regressed on the other variables or on powers of time; clicking a
// candidate's row enters or removes it; OK hands back the fitted values or
// the residuals in the caller's array. The same regression can be carried
// on to the weighted and ridge windows, whose fit then takes this one's
// place.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/view/window_context.h"
#include "estimators/preliminary_regression.h"

class QLabel;
class QPushButton;
class QRadioButton;
class ResultGrid;

class TfrmPreREG : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPreREG(const WindowContext& context);
    ~TfrmPreREG() override;

    // values: the caller's series, written on OK. False when the
    // estimation failed (its error has been shown).
    bool SetData(const Data& data, int target, const std::string& name, std::vector<double>* values);

    void FormShow();
    // Enters or removes the candidate named in column 0 of the row.
    void ToggleRow(int row);
    void btnSetClick();
    void btnResClick();
    void btnYYClick();
    void btnTimeClick();
    void rgSetClick();
    void btnWLSClick();
    void btnRIDGEClick();
    void btnOKClick();

    const PreliminaryRegression* Regression() const { return reg_.get(); }
    bool AdoptsFitted() const { return adoptFitted_; }

    ResultGrid* sgEst = nullptr;
    ResultGrid* sgYest = nullptr;
    QLabel* stVe = nullptr;
    QLabel* stR2 = nullptr;
    QLabel* stPSS = nullptr;
    QRadioButton* rbVariables = nullptr;
    QRadioButton* rbTime = nullptr;
    QPushButton* btnSet = nullptr;
    QPushButton* btnRes = nullptr;
    QPushButton* btnYY = nullptr;
    QPushButton* btnTime = nullptr;
    QPushButton* btnWLS = nullptr;
    QPushButton* btnRIDGE = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

private:
    QPushButton* AddButton(const char* name, const char* caption, std::function<void()> handler);
    bool Estimate(PreliminaryRegression::Mode mode);
    void UpdateButtons();

    WindowContext context_;
    const Data* data_ = nullptr;
    int target_ = -1;
    std::string name_;
    std::vector<double>* values_ = nullptr;
    std::shared_ptr<PreliminaryRegression> reg_;
    bool adoptFitted_ = true;
    int registryListener_ = -1;
};

void RegisterPreliminaryRegressionWindow();
