// The prediction dialog opened through the registry with the restricted
// fit b1 + b2 = 1.6 of the nearly collinear sample: the point and the
// bounds against an independent computation, empty cells as 0, and a value
// that cannot be evaluated showing its error instead of a result.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "components/view/window_registry.h"
#include "core/text/number_format.h"
#include "estimators/prediction_request.h"
#include "estimators/restricted.h"
#include "estimators/ui/prediction_dialog.h"
#include "platform/qt/string_grid.h"
#include "started_windows.h"
#include "support/sample_columns.h"

namespace {

// At x = (5, 6, 2): the restricted normal equations solved in 50 digits,
// and the half width from the quantiles of F(3, 9), chi-square(9) and the
// normal (rounded to single precision) at 95 % confidence, 90 % coverage.
constexpr double kPredicted = 11.357979790566645;
constexpr double kHalfWidth = 2.8070125433041704;

PredictionModel SumRestrictionFit(const Reg& model) {
    Restricted est(model, 0, {1, 1, 1, 1}, "VAR3");
    est.SetRestrictionCoefficient(0, 0, 0.0);
    est.SetRestrictionCoefficient(0, 1, 1.0);
    est.SetRestrictionCoefficient(0, 2, 1.0);
    est.SetRestrictionValue(0, 1.6);
    EXPECT_TRUE(est.Estimate());
    return est.ForPrediction();
}

class PredictionDialogTest : public StartedWindows {
protected:
    PredictionDialogTest()
        : StartedWindows("predict"),
          model_(MakeModel(NearlyCollinearColumns(), {}, {}, &state_.Context())),
          fit_(SumRestrictionFit(*model_)) {}
    std::unique_ptr<Reg> model_;
    PredictionModel fit_;
};

TEST_F(PredictionDialogTest, OpensThroughTheRegistryAndPredictsWithTheInterval) {
    std::unique_ptr<AnalysisWindow> window = AnalysisWindows().Create("TfrmPredict", WindowContext(state_));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->Fill(WindowRequest(PredictionRequest{fit_})));
    std::optional<TolerancePrediction> seen;
    std::string shown, title;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TfrmPredict*>(QApplication::activeModalWidget());
        if (!d) return;
        title = d->sgVList->Cell(0, 3).toStdString();
        const char* values[] = {"5", "2*3", "2"};
        for (int i = 0; i < 3; ++i) d->sgVList->SetCell(1, i + 1, values[i]);
        d->btnCalc->click();
        seen = d->Last();
        shown = d->stPUpper->text().toStdString();
        d->btnExit->click();
    });
    window->ShowModal();
    EXPECT_EQ(title, "VAR2");
    ASSERT_TRUE(seen.has_value());
    EXPECT_NEAR(seen->predicted, kPredicted, 1e-10);
    EXPECT_NEAR(seen->upper - seen->predicted, kHalfWidth, 1e-6 * kHalfWidth);
    EXPECT_NEAR(seen->predicted - seen->lower, kHalfWidth, 1e-6 * kHalfWidth);
    EXPECT_EQ(shown, FormatNumber(false, seen->upper));
}

TEST_F(PredictionDialogTest, EmptyCellsAreZeroAndAFailedValueShowsNoResult) {
    TfrmPredict d{WindowContext(state_)};
    d.SetModel(fit_);
    d.btnCalc->click();
    ASSERT_TRUE(d.Last().has_value());
    EXPECT_EQ(d.Last()->predicted, fit_.coef.back());
    EXPECT_EQ(d.stPred->text().toStdString(), FormatNumber(false, fit_.coef.back()));

    ui_.QueueOK();
    d.sgVList->SetCell(1, 2, "1+");
    d.btnCalc->click();
    EXPECT_FALSE(d.Last().has_value());
    EXPECT_TRUE(d.stPred->text().isEmpty());
    EXPECT_TRUE(d.stPLower->text().isEmpty());
    EXPECT_EQ(ui_.CallsOf(ServiceCall::MessageBox).size(), 1u);
}

}  // namespace
