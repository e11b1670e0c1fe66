#include "eval/app_state.h"

#include <utility>

#include "core/model/regression_model.h"

AppState::AppState() : userFunctions_(*this), evaluator_(*this), textReader_(evaluator_) {
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
}

void AppState::SetServices(UiServices* services) {
    context_.SetServices(services);
    groupUndo_.services = &context_.Services();
}

AppState::~AppState() = default;

void AppState::SetModel(std::unique_ptr<Reg> model) {
    if (model) {
        model->SetContext(context_);
        model->SetFileCompanions(&companions_);
    }
    model_ = std::move(model);
}

std::unique_ptr<Reg> AppState::ReleaseModel() {
    if (model_) model_->SetFileCompanions(nullptr);
    return std::move(model_);
}
