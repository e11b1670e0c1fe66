#include "eval/app_state.h"

#include <utility>

#include "core/model/regression_file.h"
#include "core/model/regression_model.h"
#include "eval/data_file_formulas.h"
#include "eval/reserved_words.h"

AppState::AppState() : userFunctions_(*this), evaluator_(*this), textReader_(evaluator_, run_) {
    context_.SetEvaluator(&textReader_);
    // The data bank of the user scalars belongs to the open data set.
    userScalars_.SetDataLink({[this] { return model_ != nullptr; },
                              [this] {
                                  if (model_) model_->SetModified(true);
                              }});
    companions_.userScalars = &userScalars_;
    companions_.colors = &colors_;
    companions_.finalForm = &finalForms_.stored;
    groupUndo_.services = &context_.Services();
    undo_.SetServices(&context_.Services());
    groupUndo_.hook = [this](bool intoUndo, const GroupUndoBlock& block) {
        if (model_ && intoUndo) undo_.PushGroupMarks(*model_, block);
    };
}

std::unique_ptr<DataFileFormulas> AppState::TextReader::OpenFileFormulas() {
    return std::make_unique<FileFormulaData>(calc_, run_);
}

bool AppState::IsReservedName(const std::string& name) const {
    return ClassifyNewName(name, {}) == kNewNameReserved;
}

void AppState::SetServices(UiServices* services) {
    context_.SetServices(services);
    groupUndo_.services = &context_.Services();
    undo_.SetServices(&context_.Services());
}

AppState::~AppState() = default;

void AppState::SetModel(std::unique_ptr<Reg> model) {
    if (model) {
        model->SetContext(context_);
        model->SetFileCompanions(&companions_);
    }
    model_ = std::move(model);
    undo_.ClearAll();
}

void AppState::LoadModelFile(const std::string& fileName) {
    auto fresh = std::make_unique<Reg>(context_, 3, 2);
    fresh->SetFileCompanions(&companions_);
    GridColorList formerColors;
    formerColors.Assign(colors_);
    colors_.Clear();
    try {
        LoadFile(*fresh, fileName);
    } catch (...) {
        colors_.Assign(formerColors);
        throw;
    }
    SetModel(std::move(fresh));
}

std::unique_ptr<Reg> AppState::ReleaseModel() {
    if (model_) model_->SetFileCompanions(nullptr);
    return std::move(model_);
}

bool AppState::SetCoefficientAlpha(double alpha) {
    // 0 is the 100 % level: intervals without bounds, shown as such.
    if (!(alpha >= 0.0 && alpha <= 1.0)) return false;
    coefficientAlpha_ = alpha;
    return true;
}
