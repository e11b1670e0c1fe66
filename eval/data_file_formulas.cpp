#include "eval/data_file_formulas.h"

#include <utility>

#include "core/data/variable.h"
#include "core/model/regression_model.h"
#include "eval/app_state.h"
#include "eval/calc_str.h"
#include "eval/eval_run_state.h"
#include "platform/errors.h"
#include "resources/string_table.h"

namespace {

// The file's data set stands in for the open one until the end of a fill.
class FileDataInSight {
public:
    FileDataInSight(EvalRunState& run, Reg& data) : run_(run), previous_(run.fileData) { run_.fileData = &data; }
    ~FileDataInSight() { run_.fileData = previous_; }
    FileDataInSight(const FileDataInSight&) = delete;
    FileDataInSight& operator=(const FileDataInSight&) = delete;

private:
    EvalRunState& run_;
    Reg* previous_;
};

}  // namespace

FileFormulaData::FileFormulaData(CalcStr& calc, EvalRunState& run) : calc_(calc), run_(run) {}

FileFormulaData::~FileFormulaData() = default;

void FileFormulaData::AddVariable(const std::string& name, const double* values, int count) {
    columns_.push_back({name, values, count});
}

Reg& FileFormulaData::Data() {
    if (data_ && inData_ == columns_.size()) return *data_;
    // Every column has the count of the first block.
    const int n = columns_.empty() ? 0 : columns_.front().count;
    std::vector<std::unique_ptr<Var>> vars;
    vars.reserve(columns_.size());
    for (const Column& c : columns_) vars.push_back(std::make_unique<Var>(c.name, c.name, c.values, n));
    if (!data_) data_ = std::make_unique<Reg>(1, 1);
    data_->ReplaceDataSet(std::move(vars), n, std::string(), std::string());
    data_->Rebuild();
    data_->ResetModel();
    inData_ = columns_.size();
    return *data_;
}

void FileFormulaData::RefuseUnknownName() const {
    if (calc_.IsIncomplete() && !calc_.UnknownName().empty())
        throw Exception(LoadStr(kStrUndefinedNameError) + "(" + calc_.UnknownName() + ")");
}

void FileFormulaData::Fill(const std::string& text, int first, int count, double* out) {
    FileDataInSight inSight(run_, Data());
    int done = 0;
    while (done < count) {
        // Stops after a value that is incomplete or no finite number; only
        // the first ends the fill.
        done += calc_.EvaluateRange(text, first + done, count - done, out + done, true);
        if (calc_.IsIncomplete()) {
            RefuseUnknownName();
            throw Exception(LoadStr(kStrSyntaxError));
        }
    }
}

double FileFormulaData::Calculate(const std::string& text) {
    FileDataInSight inSight(run_, Data());
    // Not the observation that whatever ran before left behind.
    calc_.SetObservation(0);
    const double v = calc_.Calculate(text);
    RefuseUnknownName();
    return v;
}

double FileFormulaData::Evaluate(const std::string& text, double fallback) {
    // An empty text leaves the flags of the entry before.
    if (text.empty()) return fallback;
    FileDataInSight inSight(run_, Data());
    calc_.SetObservation(0);
    const double v = calc_.Evaluate(text, fallback);
    RefuseUnknownName();
    return v;
}
