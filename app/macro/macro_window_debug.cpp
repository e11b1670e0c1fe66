// The macro window's compile, run and step commands and the register and
// stack displays.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QLabel>
#include <QTabWidget>

#include "app/macro/macro_typing_undo.h"
#include "app/macro/macro_window.h"
#include "components/view/qt_text.h"
#include "core/text/float_format.h"
#include "eval/app_state.h"
#include "macro/macro_host.h"
#include "macro/macro_debugger.h"
#include "macro/macro_run.h"
#include "platform/errors.h"
#include "platform/qt/string_grid.h"
#include "platform/text/cp932.h"
#include "platform/ui_services.h"

namespace {

QString CellTypeLetter(MacroCell::Kind kind) {
    switch (kind) {
        case MacroCell::kNumber: return QStringLiteral("V");
        case MacroCell::kAddress: return QStringLiteral("R");
        case MacroCell::kRange: return QStringLiteral("A");
        case MacroCell::kText: return QStringLiteral("S");
    }
    return QStringLiteral("?");
}

QString CellValueText(const MacroCell& cell) {
    switch (cell.kind) {
        case MacroCell::kNumber: return Q(FloatToStrGeneral(cell.number));
        case MacroCell::kAddress:
        case MacroCell::kRange: return QString::number(cell.ints[0]);
        case MacroCell::kText: {
            const std::string bytes(cell.text, strnlen(cell.text, MacroStack::kTextBytes));
            try {
                return Q(cp932::ToUtf8(bytes));
            } catch (const std::exception&) {
                return QString(static_cast<qsizetype>(bytes.size()), QLatin1Char('?'));
            }
        }
    }
    return {};
}

}  // namespace

// ---- compiling ----------------------------------------------------------------------

void TfrmMacro::CompileIntoHost(const std::string& text) {
    Host().CompileProgram(text);
    ShowListing();
}

void TfrmMacro::CompileOnlyIntoHost(const std::string& text) {
    // The host shows a compile error; the code before it is listed.
    Host().CompileOnly(text);
    ShowListing();
}

void TfrmMacro::ShowListing() {
    MacroObject compiled;
    Host().LinkProgram(compiled);
    debugger_->Load(compiled);
    lbCode->clear();
    for (const std::string& line : debugger_->Lines()) lbCode->addItem(Q(line));
    if (debugger_->LineCount() > 1) lbCode->setCurrentRow(1);
    ShowRegisters();
}

void TfrmMacro::SetMacroExecute() {
    const std::string text = SourceText();
    if (text.empty()) return;
    CompileOnlyIntoHost(text);
}

// ---- running ----------------------------------------------------------------------

void TfrmMacro::RunMacroExecute() {
    if (!stepMode_) {
        // The host shows an error and adds it to the output.
        CMacro& host = Host();
        host.RunMacroSource(SourceText());
        eOut->setPlainText(Q(host.OutputText()));
    } else {
        try {
            debugger_->RunToEnd();
        } catch (...) {
            ShowOutput();
            stepMode_ = false;
            ShowRegisters();
            throw;
        }
        ShowOutput();
        ShowRegisters();
    }
    stepMode_ = false;
}

// ---- stepping -----------------------------------------------------------------------

bool TfrmMacro::StepOnce() {
    bool ended = false;
    try {
        ended = debugger_->Step();
    } catch (...) {
        ShowRegisters();
        throw;
    }
    ShowRegisters();
    return ended;
}

void TfrmMacro::StepRunExecute() {
    stepMode_ = true;
    const int row = lbCode->currentRow();
    if (row >= 0) debugger_->SelectLine(row);
    try {
        StepOnce();
    } catch (...) {
        ShowOutput();
        throw;
    }
    ShowOutput();
}

void TfrmMacro::ResetExecute() {
    debugger_->Reset();
    stepMode_ = true;
    ShowRegisters();
}

void TfrmMacro::CursorExecute() {
    stepMode_ = true;
    const int target = lbCode->currentRow();
    try {
        debugger_->RunToLine(target);
    } catch (...) {
        ShowRegisters();
        ShowOutput();
        throw;
    }
    ShowRegisters();
    ShowOutput();
}

void TfrmMacro::sgStackClick(int row) {
    const MacroRun& run = debugger_->Interpreter();
    // Rows list the words from the top down, below the heading row.
    const int word = run.SP() - row;
    if (row < 1 || word < 1 || word > run.SP() - 1) return;
    if (stackValueViewer_) stackValueViewer_(run, word);
}

void TfrmMacro::ShowOutput() { eOut->setPlainText(Q(debugger_->OutputText())); }

void TfrmMacro::ShowRegisters() {
    const MacroRun& run = debugger_->Interpreter();
    stBP->setText(QString::number(run.BP()));
    stLP->setText(QString::number(run.LP()));
    stAP->setText(QString::number(run.AP()));
    stEP->setText(QString::number(run.EP()));
    stSP->setText(QString::number(run.SP()));

    const int sp = run.SP();
    sgStack->ClearCells();
    sgStack->SetCell(0, 0, QStringLiteral("SP"));
    sgStack->SetCell(1, 0, QStringLiteral("VALUE"));
    if (sp == 0) {
        sgStack->SetRowCount(2);
        sgStack->SetCell(0, 1, QStringLiteral("0"));
        sgStack->SetCell(1, 1, QStringLiteral("--------"));
        sgStack->SetCellProvider(nullptr);
    } else {
        sgStack->SetRowCount(sp + 1);
        // Rows are made as they come into view: the stack may be large.
        sgStack->SetCellProvider([this](int col, int row) -> QString {
            const MacroRun& r = debugger_->Interpreter();
            const int word = r.SP() - row;
            if (row < 1 || word < 0) return {};
            if (col == 0) return QString::number(word);
            return QStringLiteral("%1").arg(static_cast<std::uint32_t>(r.WordAt(word)), 8, 16, QLatin1Char('0')).toUpper();
        });
    }

    const int cells = run.CellCount();
    sgACC->ClearCells();
    sgACC->SetCell(0, 0, QStringLiteral("TYPE"));
    sgACC->SetCell(1, 0, QStringLiteral("VALUE"));
    if (cells == 0) {
        sgACC->SetRowCount(2);
        sgACC->SetCell(0, 1, QStringLiteral("N"));
        sgACC->SetCell(1, 1, QStringLiteral("--------"));
        sgACC->SetCellProvider(nullptr);
    } else {
        sgACC->SetRowCount(cells + 1);
        sgACC->SetCellProvider([this](int col, int row) -> QString {
            const MacroRun& r = debugger_->Interpreter();
            const int index = r.CellCount() - row;
            if (row < 1 || index < 0) return {};
            const MacroCell& cell = r.CellAt(index);
            return col == 0 ? CellTypeLetter(cell.kind) : CellValueText(cell);
        });
    }
    sgStack->viewport()->update();
    sgACC->viewport()->update();
    const int line = debugger_->CurrentLine();
    if (line >= 0 && line < lbCode->count() && lbCode->currentRow() != line) {
        const QSignalBlocker block(lbCode);
        lbCode->setCurrentRow(line);
    }
}
