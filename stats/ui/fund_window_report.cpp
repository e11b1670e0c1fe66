// The text report of the univariate statistics window: the file chosen in
// the save dialog receives the engine's report of the series as shown.
#include <fstream>

#include "core/settings/file_services.h"
#include "eval/app_state.h"
#include "platform/errors.h"
#include "platform/ui_services.h"
#include "stats/ui/fund_window.h"
#include "stats/univariate_report.h"

void TfrmFund::TextSaveExecute() {
    if (!loaded_) return;
    const std::string path = AskSaveFileName(Context().State().Context());
    if (path.empty()) return;
    UnivariateReportInput in;
    in.name = name_;
    in.stats = &stats_;
    in.alpha = Alpha();
    in.frequency = CurrentFrequencyTable();
    in.periodEnd = periodEnd_;
    in.numbers = numbers_;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        ErrorBox(Services(), "ファイルを作成できません: " + path);
        return;
    }
    // A failed write (a full disk) abandons the report with its message;
    // what was written stays in the file.
    try {
        WriteUnivariateReport(out, in, &Services());
        out.flush();
        if (!out) throw EWriteError("ファイルの書き込みに失敗しました: " + path);
        out.close();
        if (out.fail()) throw EWriteError("ファイルの書き込みに失敗しました: " + path);
    } catch (const EWriteError& e) {
        ErrorBox(Services(), e.what());
    }
}
