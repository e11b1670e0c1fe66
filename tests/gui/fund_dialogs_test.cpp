// The small dialogs of the statistics window: the histogram class settings
// enable their fields by mode and priority, the plot options hand back the
// chosen kind, colour and style, and the data list sorts its pairs and
// reports the chosen row.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "components/plot/core/flex_dosu_core.h"
#include "gui_fixture.h"
#include "painted_grid.h"
#include "platform/qt/string_grid.h"
#include "stats/ui/data_list_dialog.h"
#include "stats/ui/dosu_set_dialog.h"
#include "stats/ui/nplot_option_dialog.h"

namespace {

TEST(DosuSetDialog, FieldsFollowModeAndPriority) {
    TestApp();
    struct Case {
        const char* what;
        bool autoSet;
        int priority;
        // enabled: minimum, maximum, width, class count, priority, range kind
        bool mini, maxi, width, count, prio, fds;
    };
    const Case cases[] = {
        {"automatic", true, 0, false, false, false, false, false, true},
        {"manual, count first", false, 0, true, true, false, true, true, false},
        {"manual, width first", false, 1, true, true, true, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FlexDosuCore dosu;
        dosu.AutoSet = c.autoSet;
        dosu.Priority = static_cast<std::uint8_t>(c.priority);
        TfrmDosuSet dialog;
        dialog.LoadFrom(&dosu);
        EXPECT_EQ(dialog.eMiniVal->isEnabled(), c.mini);
        EXPECT_EQ(dialog.eMaxiVal->isEnabled(), c.maxi);
        EXPECT_EQ(dialog.eWidth->isEnabled(), c.width);
        EXPECT_EQ(dialog.eRankNumber->isEnabled(), c.count);
        EXPECT_EQ(dialog.gbPriority->isEnabled(), c.prio);
        EXPECT_EQ(dialog.gbFDS->isEnabled(), c.fds);
    }
}

TEST(DosuSetDialog, EveryControlGetsTheRoomItsTextNeeds) {
    TestApp();
    TfrmDosuSet dialog;
    dialog.show();
    QApplication::processEvents();
    const auto controls = dialog.findChildren<QAbstractButton*>();
    ASSERT_EQ(controls.size(), 9);  // six choices, the check box and two buttons
    for (const QAbstractButton* b : controls) {
        SCOPED_TRACE(b->text().toStdString());
        EXPECT_GE(b->width(), b->sizeHint().width());
        EXPECT_GE(b->height(), b->sizeHint().height());
        EXPECT_TRUE(dialog.rect().contains(QRect(b->mapTo(&dialog, QPoint(0, 0)), b->size())));  // not cut off
    }
    EXPECT_EQ(dialog.windowTitle().toStdString(), "度数分布設定");
}

TEST(DosuSetDialog, LoadsTheHistogramSettingsAndSwitchesByClicks) {
    TestApp();
    FlexDosuCore dosu;
    dosu.AutoSet = false;
    dosu.RangeMode = 1;
    dosu.Priority = 1;
    dosu.RangeLow = -2.5;
    dosu.RangeHigh = 12;
    dosu.ClassWidth = 0.5;
    dosu.ClassCount = 7;
    dosu.NormalCurve = true;
    TfrmDosuSet dialog;
    dialog.LoadFrom(&dosu);
    EXPECT_EQ(dialog.rgMode->checkedId(), 1);
    EXPECT_EQ(dialog.rgFDS->checkedId(), 1);
    EXPECT_EQ(dialog.rgPriority->checkedId(), 1);
    EXPECT_EQ(dialog.eMiniVal->text().toStdString(), "-2.5000");
    EXPECT_EQ(dialog.eMaxiVal->text().toStdString(), "12.0000");
    EXPECT_EQ(dialog.eWidth->text().toStdString(), "0.5000");
    EXPECT_EQ(dialog.eRankNumber->text(), "7");
    EXPECT_TRUE(dialog.cbNormLine->isChecked());

    dialog.rgPriority->button(0)->click();
    EXPECT_TRUE(dialog.eRankNumber->isEnabled());
    EXPECT_FALSE(dialog.eWidth->isEnabled());
    dialog.rgMode->button(0)->click();
    for (QWidget* w : {static_cast<QWidget*>(dialog.eMiniVal), static_cast<QWidget*>(dialog.eMaxiVal),
                       static_cast<QWidget*>(dialog.eWidth), static_cast<QWidget*>(dialog.eRankNumber)})
        EXPECT_FALSE(w->isEnabled());
}

TEST(NPlotOptionDialog, HandsBackTheChoiceOnOk) {
    TestApp();
    TfrmNPlotOpt dialog;
    dialog.Load(1, 0xFF0000, 3);
    EXPECT_EQ(dialog.RadioGroup1->checkedId(), 1);
    EXPECT_EQ(dialog.ColorBox1->currentText(), "Blue");
    EXPECT_EQ(dialog.cbLineStyle->currentIndex(), 3);

    dialog.RadioGroup1->button(0)->setChecked(true);
    dialog.ColorBox1->setCurrentIndex(dialog.ColorBox1->findText("Red"));
    dialog.cbLineStyle->setCurrentIndex(4);
    dialog.btnOK->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Kind(), 0);
    EXPECT_EQ(dialog.Colour(), 0x0000FFu);
    EXPECT_EQ(dialog.Style(), 4);

    // A colour the list lacks is kept as it is.
    dialog.Load(0, 0x123456, 9);
    dialog.btnOKClick();
    EXPECT_EQ(dialog.Colour(), 0x123456u);
    EXPECT_EQ(dialog.Style(), 0);
}

TEST(DataListDialog, SortsTwiceBackToObservationOrderAndReportsTheChosenRow) {
    TestApp();
    const std::vector<double> values = {5, 3, 8, 1, 9, 2, 7, 3, 6, 0, 4};
    TfrmDataList list;
    list.Name = "Z";
    for (int i = 0; i < static_cast<int>(values.size()); ++i) list.AddValue(i, values[static_cast<std::size_t>(i)]);
    list.FormShow();
    EXPECT_EQ(list.btnSort->text(), "データ順(&S)");
    EXPECT_EQ(list.sgData->Cell(1, 0), "Z");
    EXPECT_EQ(list.sgData->Cell(1, 1), "5.0000");
    EXPECT_EQ(list.sgData->Cell(1, 11), "4.0000");
    EXPECT_EQ(list.lblCol->text(), "11");

    list.btnSortClick();
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.GetValue(i), sorted[static_cast<std::size_t>(i)]);
        EXPECT_EQ(values[static_cast<std::size_t>(list.GetNumber(i))], list.GetValue(i));  // pairs kept together
    }
    EXPECT_EQ(list.btnSort->text(), "番号順(&S)");
    EXPECT_EQ(list.sgData->RowCount(), 12);
    EXPECT_EQ(list.sgData->Cell(0, 1), "10");  // observation 10 holds the smallest value
    EXPECT_EQ(list.sgData->Cell(1, 1), "0");
    EXPECT_EQ(list.sgData->Cell(1, 11), "9.0000");
    // The values stand right-aligned in their cells.
    list.show();
    QApplication::processEvents();
    const QRect rect = list.sgData->CellRect(1, 3);
    EXPECT_NEAR(Painted(*list.sgData, 1, 3).right, rect.left() + rect.width() - 5, 1);
    list.sgDataSelectCell(1, 3);
    EXPECT_EQ(list.Selected, 2);
    EXPECT_EQ(list.GetNumber(list.Selected), 5);

    list.btnSortClick();
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.GetNumber(i), i);
    EXPECT_EQ(list.btnSort->text(), "データ順(&S)");
    list.sgDataSelectCell(1, 0);
    EXPECT_EQ(list.Selected, -1);
    EXPECT_EQ(list.GetNumber(-1), -1);
}

}  // namespace
