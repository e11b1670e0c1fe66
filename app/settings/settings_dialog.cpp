#include "app/settings/settings_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

#include "components/view/window_registry.h"
#include "components/view/guarded_slot.h"
#include "eval/app_state.h"
#include "platform/command_guard.h"

namespace {

const char* const kColorWindow = "TfrmColorSel";

struct FlagControl {
    const char* key;
    const char* name;
    const char* caption;
};

// Captions of the flags, in the order of SettingsFlags().
const FlagControl kFlagControls[] = {
    {"AutoSave", "cbAutoSave", "自動保存(&A)"},
    {"Coloring", "cbColored", "グリッドの色表示(&G)"},
    {"FileUV", "cbFileUV", "個別ファイルのユーザ変数(&F)"},
    {"OS_Clip", "cbClip", "ＯＳのクリップボード(&O)"},
    {"Chow_Test", "cbChowTestType", "構造変化検定はグループ別(&T)"},
    {"Combination", "cbCombi", "結合推定量(&P)"},
    {"TSLS_Reduced", "cbReduce", "誘導型はＴＳＬＳ(&K)"},
    {"RV_Selected", "cbRestrict", "線形制約は選択変数のみ(&V)"},
    {"GCL_Save", "cbGCListSave", "グループ色設定をファイルに保存(&S)"},
    {"FileGCL", "cbUseFileGCL", "個別ファイルのグループ色(&L)"},
    {"IV_Selected", "cbIVSel", "操作変数は選択変数のみ(&I)"},
    {"ConvertedToComment", "cbC2C", "変数変換結果をコメントへ(&H)"},
    {"Selected", "cbAllData", "選択変数データのみ(&D)"},
    {"Residuals", "cbCheck", "回帰診断(&R)"},
    {"Analyzed", "cbAnalysis", "影響分析(&E)"},
    {"Reduce", "cbYudo", "同時方程式(&U)"},
    {"RelativeMatrix", "cbRelMat", "相関行列(&M)"},
    {"OriginalData", "cbFundData", "生データも出力(&W)"},
};

}  // namespace

TSetteiDlg::TSetteiDlg(AppState& state, const std::string& settingsFileName, QWidget* parent)
    : QDialog(parent), state_(state), settings_(state, settingsFileName) {
    setObjectName(QStringLiteral("SetteiDlg"));
    setWindowTitle(QStringLiteral("環境設定ダイアログ"));

    const auto& flags = SettingsFlags();
    auto* options = new QGridLayout;
    auto* textBox = new QGroupBox(QStringLiteral("テキスト保存の設定"), this);
    textBox->setObjectName(QStringLiteral("gbTS"));
    auto* textLayout = new QGridLayout(textBox);
    int optionRow = 0, textRow = 0;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        const FlagControl& c = kFlagControls[i];
        auto* box = new QCheckBox(QString::fromUtf8(c.caption), this);
        box->setObjectName(QString::fromLatin1(c.name));
        flagBoxes.push_back(box);
        if (std::strcmp(flags[i].section, "TEXT") == 0) {
            textLayout->addWidget(box, textRow / 2, textRow % 2);
            ++textRow;
        } else {
            options->addWidget(box, optionRow / 2, optionRow % 2);
            ++optionRow;
        }
    }
    eMargin = new QLineEdit(this);
    eMargin->setObjectName(QStringLiteral("eMargin"));
    textLayout->addWidget(new QLabel(QStringLiteral("マージン"), this), (textRow + 1) / 2, 0);
    textLayout->addWidget(eMargin, (textRow + 1) / 2, 1);

    eUndoSize = new QLineEdit(this);
    eUndoSize->setObjectName(QStringLiteral("eUndoSize"));
    eDataPath = new QLineEdit(this);
    eDataPath->setObjectName(QStringLiteral("eDataPath"));
    eTemp = new QLineEdit(this);
    eTemp->setObjectName(QStringLiteral("eTemp"));
    auto* btnPathSet = new QPushButton(QStringLiteral("..."), this);
    btnPathSet->setObjectName(QStringLiteral("btnPathSet"));
    auto* btnTemp = new QPushButton(QStringLiteral("..."), this);
    btnTemp->setObjectName(QStringLiteral("btnTemp"));
    auto* folders = new QGridLayout;
    folders->addWidget(new QLabel(QStringLiteral("アンドゥのレベル"), this), 0, 0);
    folders->addWidget(eUndoSize, 0, 1);
    folders->addWidget(new QLabel(QStringLiteral("データフォルダ　："), this), 1, 0);
    folders->addWidget(eDataPath, 1, 1);
    folders->addWidget(btnPathSet, 1, 2);
    folders->addWidget(new QLabel(QStringLiteral("テンポラリフォルダ"), this), 2, 0);
    folders->addWidget(eTemp, 2, 1);
    folders->addWidget(btnTemp, 2, 2);
    eDataPath->setMinimumWidth(320);

    btnGrpClr = new QPushButton(QStringLiteral("グループ色設定(&C)"), this);
    btnGrpClr->setObjectName(QStringLiteral("btnGrpClr"));
    // Enabled while the group colour window is registered.
    btnGrpClr->setEnabled(AnalysisWindows().Has(kColorWindow));
    colorListener_ = AnalysisWindows().AddListener([this] { btnGrpClr->setEnabled(AnalysisWindows().Has(kColorWindow)); });
    OKBtn = new QPushButton(QStringLiteral("設定(&Y)"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("取り消し(&N)"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnGrpClr);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(textBox);
    layout->addLayout(folders);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto guarded = [this](void (TSetteiDlg::*handler)()) {
        return Guarded(state_, [this, handler] { (this->*handler)(); });
    };
    connect(OKBtn, &QPushButton::clicked, this, guarded(&TSetteiDlg::OKBtnClick));
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
    connect(btnPathSet, &QPushButton::clicked, this, guarded(&TSetteiDlg::btnPathSetClick));
    connect(btnTemp, &QPushButton::clicked, this, guarded(&TSetteiDlg::btnTempClick));
    connect(btnGrpClr, &QPushButton::clicked, this, guarded(&TSetteiDlg::btnGrpClrClick));

    settings_.LoadSettings();
}

TSetteiDlg::~TSetteiDlg() { AnalysisWindows().RemoveListener(colorListener_); }

void TSetteiDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TSetteiDlg::FormActivate() {
    const ProgramSettings& v = settings_.Values();
    const auto& flags = SettingsFlags();
    for (std::size_t i = 0; i < flags.size(); ++i) flagBoxes[i]->setChecked(v.*flags[i].member);
    eUndoSize->setText(QString::number(v.UndoSize));
    eMargin->setText(QString::number(v.TextOut_Margin));
    eDataPath->setText(QString::fromStdString(v.DataFolder));
    eTemp->setText(QString::fromStdString(v.TempFolder));
}

void TSetteiDlg::OKBtnClick() {
    ProgramSettings& v = settings_.Values();
    const auto& flags = SettingsFlags();
    for (std::size_t i = 0; i < flags.size(); ++i) v.*flags[i].member = flagBoxes[i]->isChecked();
    v.UndoSize = SettingsFile::ParseUndoSize(eUndoSize->text().toStdString());
    v.DataFolder = IncludeDirDelimiter(eDataPath->text().toStdString(), DefaultDataFolder());
    v.TempFolder = IncludeDirDelimiter(eTemp->text().toStdString(), DefaultTempFolder());
    // No upper bound here: the next start brings a large margin down.
    v.TextOut_Margin = SettingsFile::ParseMargin(eMargin->text().toStdString());
    settings_.ApplyToState();
    done(QDialog::Accepted);
}

void TSetteiDlg::btnPathSetClick() {
    if (auto folder = state_.Services().ChooseFolder(settings_.Values().DataFolder)) {
        settings_.Values().DataFolder = IncludeDirDelimiter(*folder, DefaultDataFolder());
        eDataPath->setText(QString::fromStdString(settings_.Values().DataFolder));
        settings_.ApplyToState();
    }
}

void TSetteiDlg::btnTempClick() {
    if (auto folder = state_.Services().ChooseFolder(settings_.Values().TempFolder)) {
        settings_.Values().TempFolder = IncludeDirDelimiter(*folder, DefaultTempFolder());
        eTemp->setText(QString::fromStdString(settings_.Values().TempFolder));
        settings_.ApplyToState();
    }
}

void TSetteiDlg::btnGrpClrClick() {
    // The table in use: the data file's with FileGCL on, else the settings'.
    GridColorList& inUse = settings_.Values().FileGCL ? state_.Colors() : settings_.Colors();
    GridColorList edited;
    edited.Assign(inUse);
    LaunchRequest request;
    request.colors = &edited;
    std::unique_ptr<AnalysisWindow> window = AnalysisWindows().Create(kColorWindow, WindowContext(state_, this));
    if (!window || !window->Fill(request)) return;
    if (ShowWindow(std::move(window)) == QDialog::Accepted) inUse.Assign(edited);
}
