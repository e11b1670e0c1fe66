#include "eval/append_source.h"

#include <memory>

#include "core/io/data_file.h"
#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "platform/errors.h"

AppendSource::AppendSource(AppState& program, const Data& current, const std::string& fileName) {
    scratch_.SetServices(&program.Services());
    // The settings bank of the user scalars, so a condition may name them.
    UserVar& mine = scratch_.UserScalars();
    const UserVar& theirs = program.UserScalars();
    for (int i = 0; i < UserVar::kCount; ++i) {
        mine.SetName(i, false, theirs.GetName(i, false));
        mine.SetValue(i, false, theirs.GetValue(i, false));
    }
    mine.SetBankSwitch(theirs.BankSwitch());

    LoadedDataFile loaded;
    int fileForm = 0;
    // A read error names the file; the reader's message alone does not.
    try {
        ReadDataFile(fileName, loaded, fileForm, program.Services(), program.Context().Evaluator());
    } catch (const EReadError& e) {
        throw EReadError(fileName + ": " + e.Message());
    }

    std::vector<std::unique_ptr<Var>> kept;
    for (auto& v : loaded.vars)
        if (v && current.FindVar(v->GetName()) >= 0) kept.push_back(std::move(v));
    if (kept.empty()) throw Exception(kNothingToAppend);
    loaded.vars = std::move(kept);
    // The stored model and equations refer to variables that may be gone.
    loaded.dependent = -1;
    loaded.roles.clear();
    loaded.equations.Clear();
    loaded.hasColors = false;

    auto shown = std::make_unique<Reg>(scratch_.Context(), 3, static_cast<int>(loaded.vars.size()));
    shown->SetFileCompanions(&scratch_.FileCompanions());
    // The other file's fit is no concern of the append: a refusal of it is
    // not shown.
    scratch_.SetServices(nullptr);
    AdoptLoaded(*shown, loaded);
    scratch_.SetServices(&program.Services());
    shown->SetModified(false);
    scratch_.SetModel(std::move(shown));
}

int AppendSource::ObservationCount() const { return Shown().GetObsCount(); }

std::vector<std::uint8_t> AppendSource::ConditionMarks(const std::string& condition) {
    const int n = ObservationCount();
    std::vector<std::uint8_t> marks(static_cast<std::size_t>(n), 0);
    CalcStr& calc = scratch_.Evaluator();
    for (int i = 0; i < n; ++i) marks[static_cast<std::size_t>(i)] = calc.TestAtObservation(condition, i) ? 1 : 0;
    return marks;
}

std::vector<std::uint8_t> AppendSource::ListedRows(const std::string& list) {
    const int n = ObservationCount();
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(n), 0);
    if (n > 0) scratch_.Evaluator().ParseIndexList(list, flags.data(), n);
    return flags;
}
