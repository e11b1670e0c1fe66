// TfrmFund: the univariate statistics window. It describes one series:
// moments, order statistics, normality tests with their marks, the cycle of
// location statistics and the normal or half-normal probability plot, on
// which the user may draw free lines; the frequency table with its editable
// histogram, the series against time with a trend curve, the
// autocorrelations with the tests of randomness, the periodogram and the
// box plot; and the whole as a text report. Everything it shows comes from
// the statistics computed when the series is loaded (ShowVariable) or when
// the user asks for another lag, range or trend; the handlers only choose
// and format what is stored.
//
// It is modal: opened through ShowFundamentalStats, it runs until closed.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/view/analysis_window_base.h"
#include "core/numeric/xy_data.h"
#include "stats/fundamental_stats_request.h"
#include "stats/univariate_periodogram.h"
#include "stats/univariate_statistics.h"

class QAction;
class QStatusBar;
class QTabWidget;
class QToolBar;
class TfsACFPage;
class TfsBoxPage;
class TfsFreqPage;
class TfsFundPage;
class TfsShukiPage;
class TfsTimePage;
class TimeSeriesMerlox;
class UiServices;
struct FrequencyTable;

class TfrmFund : public AnalysisWindowFor<FundamentalStatsRequest> {
    Q_OBJECT
public:
    explicit TfrmFund(const WindowContext& context);
    ~TfrmFund() override;

    // Loads the series and computes everything; true when the window has
    // something to show. Fewer than four values give false silently, a
    // constant series after a warning. numbers: the observation number of
    // each value, where observations were left out (empty or of another
    // length: 1 .. n); every number the window shows is one of them.
    bool ShowVariable(const std::string& name, const double* values, int n, const std::vector<int>& numbers = {});
    // Marks the value at place k (1-based) in the plot; nothing when there
    // is none.
    void SelectObservation(int k);

    // ---- handlers
    void tsFundShow();
    void stAveClick();
    void stSigClick();
    void stMedianClick();
    void stRCCClick();
    void stPLOTClick();
    void NPlotMouseDown(Qt::MouseButton button, int x, int y);
    void NPlotMouseMove(int x, int y);
    void NPlotMouseUp(Qt::MouseButton button, int x, int y);
    void NPlotResize();
    void FowardExecute();
    void BackwardExecute();
    void OptionSetExecute();
    void BitMapSaveExecute();
    void HelpContextExecute();
    void ExitenceExecute();
    void TextSaveExecute();

    // Frequency page.
    void tsFreqShow();
    void Dosu1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void pmBindUpperClick();
    void pmBindLowerClick();
    void pmSeparateClick();
    void sgDosuKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void sgDosuMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    // Time-series page.
    void tsTimeShow();
    void timeseriesResize();
    void timeseriesMouseDown(Qt::MouseButton button, int x, int y);
    void sgDataClick();
    void stLineStyleClick();
    void btnExpresMsgClick();
    // Autocorrelation page.
    void tsACFShow();
    void rgShowClick();
    void cbZoomClick();
    void eHKeyPress();
    void ACFMouseDown(int x, int y);
    void btnYWEstClick();
    // Periodogram page.
    void tsShukiShow();
    void shukiMouseDown(int x, int y);
    // Box plot page.
    void tsBoxPlotShow();
    void pbBoxMouseDown(int x);
    void lbListClick();

    // The observation lists: of one class of the histogram or one quarter
    // of the data.
    enum class ListKind { Class, Quarter };
    void ShowDataList(int index, ListKind kind);

    // Runs an option dialog modally and gives its modal result; tests put in
    // their own so that no dialog blocks.
    std::function<int(QDialog&)> RunDialog;

    // The frequency table as the histogram holds it now.
    FrequencyTable CurrentFrequencyTable() const;
    int ClassCount() const;

    // ---- what the window holds
    const UnivariateStatistics& Statistics() const { return stats_; }
    bool Loaded() const { return loaded_; }
    int Selected() const { return selected_; }
    int LocationIndex() const { return locationIndex_; }
    bool Spearman() const { return spearman_; }
    int PlotKind() const { return plotKind_; }
    std::uint32_t FreeLineColour() const { return freeLineColour_; }
    int FreeLineStyle() const { return freeLineStyle_; }
    const XYDataList& FreeLines() const { return freeLines_; }
    bool ShowsACF() const { return showACF_; }
    int PeriodStart() const { return periodStart_; }
    int PeriodEnd() const { return periodEnd_; }
    const PeriodogramValues& Periodogram() const { return periodogram_; }
    const TimeSeriesMerlox* Trend() const { return trend_.get(); }
    // The observation number of the value at place i (0-based).
    int NumberOf(int i) const;
    // The significance level of the marks and intervals: the program-wide
    // one, read from the application state whenever they are shown.
    double Alpha() const;

    QToolBar* TB = nullptr;
    QAction* Exitence = nullptr;
    QAction* Backward = nullptr;
    QAction* Foward = nullptr;
    QAction* BitMapSave = nullptr;
    QAction* TextSave = nullptr;
    QAction* OptionSet = nullptr;
    QAction* HelpContext = nullptr;
    QTabWidget* PC = nullptr;
    TfsFundPage* tsFund = nullptr;
    TfsFreqPage* tsFreq = nullptr;
    TfsTimePage* tsTime = nullptr;
    TfsACFPage* tsACF = nullptr;
    TfsShukiPage* tsShuki = nullptr;
    TfsBoxPage* tsBoxPlot = nullptr;
    QStatusBar* SB = nullptr;

protected:
    bool Setup(const FundamentalStatsRequest& request) override;
    // Shows the hints of the actions in the status bar.
    bool event(QEvent* event) override;
    void done(int result) override;

private:
    QAction* AddAction(const char* name, const char* caption, const QKeySequence& shortcut, const char* hint,
                       void (TfrmFund::*handler)());
    UiServices& Services() const;
    const std::vector<double>& PlotX() const;
    const std::vector<double>& PlotY() const;
    // The observation of each dot of the plot shown, and its inverse.
    const std::vector<int>& PlotObservations() const;
    void IndexPlotPositions();
    double PlotR() const;
    // Dot p of the plot (sorted position): selects it and shows its values;
    // nothing unless 0 <= p < n.
    void SelectPlotPosition(int p);
    int PlotPositionOf(int observation) const;
    void ShowRankCorrelation();
    void ShowLocation();
    void DrawFreeLines();
    void FormClose();
    void ConnectPages();
    void ShowActivePage();
    // The Yule-Walker button follows the registration of its window.
    void UpdateYuleWalkerButton();
    void ComputePeriodogramRange();
    void SetPeriodRange(const std::string& text);
    void FrequencyOptions();
    void TimeSeriesOptions();
    void FitTrend(int model);
    // The place of the value numbered number; -1 when none is.
    int PlaceOfNumber(long long number) const;

    UnivariateStatistics stats_;
    // The observation number of each value (1 .. n unless some were left
    // out before the series came here).
    std::vector<int> numbers_;
    // Dot of each observation in the plot shown, so that stepping through
    // the points costs the same for any length of series.
    std::vector<int> positionOf_;
    std::string name_;
    bool loaded_ = false;
    bool drawing_ = false;
    bool spearman_ = true;
    int selected_ = 0;
    int locationIndex_ = 0;
    int plotKind_ = 0;
    std::uint32_t freeLineColour_ = 0x008000;
    int freeLineStyle_ = 0;
    // The free lines live as long as the window; the one being drawn apart.
    XYDataList freeLines_;
    std::unique_ptr<XYData> newLine_;

    bool showACF_ = true;
    bool classMode_ = false;
    // The periodogram range: periods periodStart_ .. periodEnd_ - 1.
    int periodStart_ = 1;
    int periodEnd_ = 0;
    PeriodogramValues periodogram_;
    bool periodogramValid_ = false;
    std::unique_ptr<TimeSeriesMerlox> trend_;
    int registryListener_ = -1;
};

// Registers the window and its class name with the window registry.
void RegisterFundWindow();
