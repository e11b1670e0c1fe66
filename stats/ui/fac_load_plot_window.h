// TfrmFacLoadPlot: the analysed variables as points at their loadings on
// two components or factors, on the fixed square from -1 to 1. Either axis
// can be switched to another component or factor of the analysis; a click
// reads out the nearest point; the mouse draws free lines. The program-wide
// free-line state is saved when the window gets its data and put back when
// it goes, so the opener's lines stay as they were.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/view/analysis_window_base.h"
#include "core/numeric/xy_data.h"
#include "stats/fac_load_plot_request.h"

class ClickLabel;
class FreeLineScope;
class QLabel;
class QPushButton;
class TXYPlot;

class TfrmFacLoadPlot : public AnalysisWindowFor<FacLoadPlotRequest> {
    Q_OBJECT
public:
    explicit TfrmFacLoadPlot(const WindowContext& context);
    ~TfrmFacLoadPlot() override;

    bool SetData(const PCA* analysis, std::vector<double> x, std::string xName, std::vector<double> y,
                 std::string yName, std::vector<std::string> labels);
    void DrawPlot();

    // Asks for another component or factor on the vertical (true) or
    // horizontal axis.
    void ChangeAxis(bool vertical);
    void FacPlotMouseDown(Qt::MouseButton button, int px, int py);
    void FacPlotMouseMove(int px, int py);
    void FacPlotMouseUp(Qt::MouseButton button);
    void btnOptClick();
    void btnSaveClick();

    const std::vector<double>& XValues() const { return x_; }
    const std::vector<double>& YValues() const { return y_; }
    const XYDataList& Lines() const { return lines_; }

    TXYPlot* FacPlot = nullptr;
    QLabel* stPLOT = nullptr;
    QLabel* stVarName = nullptr;
    ClickLabel* stYoko = nullptr;
    QLabel* stYokoVal = nullptr;
    ClickLabel* stTate = nullptr;
    QLabel* stTateVal = nullptr;
    QPushButton* btnExit = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnOpt = nullptr;

protected:
    bool Setup(const FacLoadPlotRequest& request) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void RestoreLines();

    const PCA* analysis_ = nullptr;
    std::vector<double> x_, y_;
    std::string xName_, yName_;
    std::vector<std::string> labels_;
    std::uint32_t lineColor_ = 0x008000;
    std::uint8_t lineStyle_ = 0;
    bool dragging_ = false;
    std::unique_ptr<XYData> currentLine_;
    XYDataList lines_;
    std::unique_ptr<FreeLineScope> savedLines_;
};

void RegisterFacLoadPlotWindow();
