#include "estimators/ui/auto_select_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/view/numeric_field.h"
#include "components/view/qt_text.h"
#include "components/view/variable_list_drawing.h"
#include "components/view/window_actions.h"
#include "components/view/window_registry.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"
#include "platform/ui_services.h"

namespace {

// Moves the selected name from one list to the other.
void MoveSelected(QListWidget* from, QListWidget* to) {
    QListWidgetItem* item = from->currentItem();
    if (!item || !item->isSelected()) return;
    to->addItem(item->text());
    delete from->takeItem(from->row(item));
}

std::vector<std::string> Names(const QListWidget* list) {
    std::vector<std::string> names;
    for (int i = 0; i < list->count(); ++i) names.push_back(list->item(i)->text().toStdString());
    return names;
}

}  // namespace

TAutoSelectDlg::TAutoSelectDlg(const WindowContext& context) : AnalysisWindowFor(context) {
    setObjectName("AutoSelectDlg");
    setWindowTitle("自動変数選択設定ダイアログ");

    auto field = [&](const char* name) {
        auto* f = new NumericField(context, this);
        f->setObjectName(name);
        return f;
    };
    eFIn1 = field("eFIn1");
    eFIn2 = field("eFIn2");
    eFOut1 = field("eFOut1");
    eFOut2 = field("eFOut2");
    auto* limits = new QGridLayout;
    limits->addWidget(new QLabel("第１段", this), 0, 1);
    limits->addWidget(new QLabel("第２段", this), 0, 2);
    limits->addWidget(new QLabel("取り入れＦ値", this), 1, 0);
    limits->addWidget(eFIn1, 1, 1);
    limits->addWidget(eFIn2, 1, 2);
    limits->addWidget(new QLabel("取り出しＦ値", this), 2, 0);
    limits->addWidget(eFOut1, 2, 1);
    limits->addWidget(eFOut2, 2, 2);

    lbAdoption = NameList("lbAdoption");
    lbVar = NameList("lbVar");
    lbElimination = NameList("lbElimination");
    auto button = [&](const char* name, const char* caption, void (TAutoSelectDlg::*handler)()) {
        return AddWindowButton(this, Context().State(), name, caption, [this, handler] { (this->*handler)(); });
    };
    btnAddAdopt = button("btnAddAdopt", "<-", &TAutoSelectDlg::btnAddAdoptClick);
    btnDelAdopt = button("btnDelAdopt", "->", &TAutoSelectDlg::btnDelAdoptClick);
    btnAddElim = button("btnAddElim", "->", &TAutoSelectDlg::btnAddElimClick);
    btnDelElim = button("btnDelElim", "<-", &TAutoSelectDlg::btnDelElimClick);

    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel("強制採用変数", this), 0, 0);
    lists->addWidget(new QLabel("候補変数名", this), 0, 2);
    lists->addWidget(new QLabel("強制排除変数", this), 0, 4);
    lists->addWidget(lbAdoption, 1, 0);
    auto* left = new QVBoxLayout;
    left->addWidget(btnAddAdopt);
    left->addWidget(btnDelAdopt);
    lists->addLayout(left, 1, 1);
    lists->addWidget(lbVar, 1, 2);
    auto* right = new QVBoxLayout;
    right->addWidget(btnAddElim);
    right->addWidget(btnDelElim);
    lists->addLayout(right, 1, 3);
    lists->addWidget(lbElimination, 1, 4);

    OKBtn = new QPushButton("実行(&O)", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("キャンセル(&C)", this);
    CancelBtn->setObjectName("CancelBtn");
    connect(OKBtn, &QPushButton::clicked, this, GuardedSlot([this] { OKBtnClick(); }));
    connect(CancelBtn, &QPushButton::clicked, this, [this] { reject(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(limits);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
}

QListWidget* TAutoSelectDlg::NameList(const char* name) {
    auto* list = new QListWidget(this);
    list->setObjectName(name);
    list->setSortingEnabled(true);
    list->setItemDelegate(new VarListDelegate([this] { return static_cast<const Reg*>(reg_); }, [] { return true; }, list));
    return list;
}

bool TAutoSelectDlg::Setup(const LaunchRequest& request) { return Prepare(request.model); }

bool TAutoSelectDlg::Prepare(Reg* reg) {
    if (!reg) return false;
    reg_ = reg;
    lbVar->clear();
    lbAdoption->clear();
    lbElimination->clear();
    const StepwiseLists lists = StepwiseStartingLists(*reg);
    for (const std::string& name : lists.candidates) lbVar->addItem(Q(name));
    for (const std::string& name : lists.forcedOut) lbElimination->addItem(Q(name));
    eFIn1->setText("0.2");
    eFOut1->setText("0.2");
    eFIn2->setText("2.0");
    eFOut2->setText("2.0");
    return true;
}

void TAutoSelectDlg::btnAddAdoptClick() { MoveSelected(lbVar, lbAdoption); }
void TAutoSelectDlg::btnDelAdoptClick() { MoveSelected(lbAdoption, lbVar); }
void TAutoSelectDlg::btnAddElimClick() { MoveSelected(lbVar, lbElimination); }
void TAutoSelectDlg::btnDelElimClick() { MoveSelected(lbElimination, lbVar); }

void TAutoSelectDlg::OKBtnClick() {
    if (!reg_) return;
    StepwiseOptions options;
    // A limit that does not evaluate has shown its error; the dialog stays.
    for (auto [field, value] : {std::pair{eFIn1, &options.fIn1}, std::pair{eFOut1, &options.fOut1},
                                std::pair{eFIn2, &options.fIn2}, std::pair{eFOut2, &options.fOut2}}) {
        const std::optional<double> v = field->Value();
        if (!v) return;
        *value = *v;
    }
    options.forcedIn = Names(lbAdoption);
    options.forcedOut = Names(lbElimination);
    result_ = RunStepwiseSelection(*reg_, options);
    // Refused, the former model stays (the model says why).
    if (!reg_->SetModel(result_.dependent, result_.roles)) return;
    accept();
}

void RegisterAutoSelectDialog() {
    AnalysisWindows().Register("TAutoSelectDlg", [](const WindowContext& context) -> std::unique_ptr<AnalysisWindow> {
        return std::make_unique<TAutoSelectDlg>(context);
    });
}
