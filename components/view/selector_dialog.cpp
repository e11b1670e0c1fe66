#include "components/view/selector_dialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/view/key_helpers.h"
#include "components/view/variable_list_drawing.h"
#include "core/model/regression_model.h"
#include "platform/text/str_to_int.h"
#include "resources/string_table.h"

TfrmSelector::TfrmSelector(QWidget* parent, bool coloring) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelector"));
    setWindowTitle(QStringLiteral("選択"));
    lbList = new QListWidget(this);
    lbList->setObjectName(QStringLiteral("lbList"));
    lbList->setMinimumSize(220, 260);
    delegate_ = new KindListDelegate(coloring, lbList);
    lbList->setItemDelegate(delegate_);
    lbList->installEventFilter(this);
    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&CANCEL"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lbList, &QListWidget::itemChanged, this, [this] {
        if (!updating_) lbListClick();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbList);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmSelector::SetColoring(bool on) {
    delegate_->SetColoring(on);
    lbList->viewport()->update();
}

bool TfrmSelector::SetItems(const std::vector<std::string>& texts, const std::vector<int>& kinds, bool firstIsAll) {
    updating_ = true;
    lbList->clear();
    firstIsAll_ = firstIsAll;
    checked_.assign(texts.size(), 0);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(texts[i]), lbList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setData(kKindRole, i < kinds.size() ? kinds[i] : 0);
    }
    updating_ = false;
    return true;
}

void TfrmSelector::lbListClick() {
    updating_ = true;
    const int n = lbList->count();
    if (firstIsAll_ && n > 0) {
        const bool all = lbList->item(0)->checkState() == Qt::Checked;
        for (int i = 1; i < n; ++i) {
            QListWidgetItem* item = lbList->item(i);
            if (all) item->setCheckState(Qt::Unchecked);
            Qt::ItemFlags f = item->flags();
            item->setFlags(all ? f & ~Qt::ItemIsEnabled : f | Qt::ItemIsEnabled);
        }
    }
    checked_.assign(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n; ++i) checked_[static_cast<std::size_t>(i)] = lbList->item(i)->checkState() == Qt::Checked;
    updating_ = false;
}

void TfrmSelector::lbListKeyDown(int key, Qt::KeyboardModifiers mods) {
    if ((key != Qt::Key_Return && key != Qt::Key_Enter) || !(mods & Qt::ShiftModifier)) return;
    QListWidgetItem* item = lbList->currentItem();
    if (!item || !(item->flags() & Qt::ItemIsEnabled)) return;
    updating_ = true;
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    updating_ = false;
    lbListClick();
}

bool TfrmSelector::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lbList && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsEnterKey(key->key()) && (key->modifiers() & Qt::ShiftModifier)) {
            lbListKeyDown(key->key(), key->modifiers());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool ChooseGroupMask(const Reg& model, std::uint16_t& mask, QWidget* owner, bool coloring, const SelectorRunner& run) {
    constexpr int kGroups = 16;
    std::vector<std::string> texts{LoadStr(kStrAllData)};
    for (int g = 1; g <= kGroups; ++g)
        if (model.HasGroup(g)) texts.push_back(model.GetGroupName(g));
    TfrmSelector selector(owner, coloring);
    selector.SetItems(texts, {}, true);
    const int result = run ? run(selector) : selector.exec();
    if (result != QDialog::Accepted) return false;
    const std::vector<std::uint8_t>& checked = selector.GetChecked();
    if (!checked.empty() && checked[0]) {
        mask = 0;
        return true;
    }
    std::uint16_t bits = 0;
    for (std::size_t i = 1; i < checked.size() && i < texts.size(); ++i) {
        if (!checked[i]) continue;
        int g = model.GetGroupCode(texts[i]);
        if (g < 1) g = StrToIntDef(texts[i], -1);
        // A text that names no group 1..16 adds nothing.
        if (g >= 1 && g <= kGroups) bits = static_cast<std::uint16_t>(bits | (1u << (g - 1)));
    }
    mask = bits;
    return true;
}
