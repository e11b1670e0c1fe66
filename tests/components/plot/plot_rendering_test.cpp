// Each plot component drawn offscreen and saved as a bitmap through the
// save dialog of the services, then read back: the expected colour at a few
// pixels. Also what saving does when cancelled or when it cannot write.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "components/plot/acf_view.h"
#include "components/plot/flex_dosu.h"
#include "components/plot/save_form_image.h"
#include "components/plot/xy_plot.h"
#include "core/settings/engine_context.h"
#include "gui/gui_fixture.h"
#include "support/scripted_services.h"

namespace {

const QRgb kWhitePixel = qRgb(255, 255, 255);
const QRgb kRedPixel = qRgb(255, 0, 0);
const QRgb kBluePixel = qRgb(0, 0, 255);
const QRgb kGreenPixel = qRgb(0, 128, 0);
const QRgb kAquaPixel = qRgb(0, 255, 255);

class PlotRenderingTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        context_.SetServices(&ui_);
        context_.Work().dataFolder = folder_.Path();
    }
    // Saves the widget through the dialog and reads the file back.
    QImage SavedImage(QWidget& w, const std::string& name) {
        const std::string path = folder_.Path(name);
        ui_.QueueFile(path);
        EXPECT_TRUE(SaveFormImage(w, context_));
        const auto requests = ui_.CallsOf(ServiceCall::SaveFile);
        EXPECT_EQ(requests.back().file.defaultExt, "BMP");
        EXPECT_EQ(requests.back().file.initialDir, folder_.Path());
        QImage image(QString::fromStdString(path), "BMP");
        EXPECT_EQ(image.size(), w.size());
        return image;
    }

    ScratchFolder folder_{"plot_render"};
    ScriptedServices ui_;
    EngineContext context_;
};

TEST_F(PlotRenderingTest, XYPlotWithItsSelectedDot) {
    TXYPlot plot;
    plot.resize(220, 120);
    plot.RegLine = false;
    const double x[] = {0, 5, 10}, y[] = {0, 2.5, 5};
    ASSERT_TRUE(plot.SetData(x, y, 3, nullptr, nullptr));
    plot.DotSel(1);
    const QImage image = SavedImage(plot, "xy.bmp");
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));   // the frame
    EXPECT_EQ(image.pixel(40, 40), kWhitePixel);   // background
    EXPECT_EQ(image.pixel(110, 60), kRedPixel);    // the selected dot at (5, 2.5)
    EXPECT_EQ(image.pixel(210, 10), kBluePixel);   // a normal dot at (10, 5)
    EXPECT_EQ(image.pixel(12, 110), kBluePixel);   // the dot at (0, 0), over the zero lines
}

TEST_F(PlotRenderingTest, HistogramBarsAndMarker) {
    TFlexDosu histogram;
    histogram.resize(120, 100);
    histogram.AutoSet = false;
    histogram.RangeLow = 0, histogram.RangeHigh = 4, histogram.PieceCount = 6;
    const double data[] = {0.5, 1.5, 1.6, 2.5, 2.6, 2.7, 3.5};
    ASSERT_TRUE(histogram.DataSet(data, 7));
    const QImage image = SavedImage(histogram, "histogram.bmp");
    EXPECT_EQ(image.pixel(75, 40), kAquaPixel);   // inside the tallest bar (60..80)
    EXPECT_EQ(image.pixel(25, 40), kWhitePixel);  // above the bar of (0, 1]
    EXPECT_EQ(image.pixel(62, 50), kGreenPixel);  // the mean line (dashed: a dash at the middle)
    EXPECT_EQ(image.pixel(30, 97), kRedPixel);    // the marker under observation 0
}

TEST_F(PlotRenderingTest, CorrelogramBarsAndBands) {
    TACFView acf;
    acf.resize(110, 140);
    const double values[] = {1.0, 0.5, -0.35};
    ASSERT_TRUE(acf.DataSet(values, 2, 100, 0));
    const QImage image = SavedImage(acf, "acf.bmp");
    EXPECT_EQ(image.pixel(15, 70), kAquaPixel);   // the bar of lag 1 (rows 50..100)
    EXPECT_EQ(image.pixel(50, 81), kRedPixel);    // the upper band at 0.196
    EXPECT_EQ(image.pixel(50, 119), kRedPixel);   // the lower band
    EXPECT_EQ(image.pixel(50, 100), kBluePixel);  // the zero line
    EXPECT_EQ(image.pixel(50, 65), kWhitePixel);
}

TEST_F(PlotRenderingTest, CancelledOrFailedSavesWriteNothing) {
    TXYPlot plot;
    plot.resize(50, 50);
    ui_.QueueFile("");
    EXPECT_FALSE(SaveFormImage(plot, context_));
    EXPECT_TRUE(ui_.CallsOf(ServiceCall::MessageBox).empty());

    const std::string nowhere = folder_.Path("missing/x.bmp");
    ui_.QueueFile(nowhere);
    ui_.QueueOK();
    EXPECT_FALSE(SaveFormImage(plot, context_));
    const auto boxes = ui_.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ファイルの書き込みに失敗しました。");
    EXPECT_FALSE(std::filesystem::exists(nowhere));
}

}  // namespace
