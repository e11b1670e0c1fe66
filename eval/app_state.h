// The program's state: everything there is one of while MERLOX runs. The
// open data set and its model, the shared evaluator with the user scalars,
// user functions and random numbers, the colour table, the final-form lists,
// recent files, the work settings and the services.
//
// Start-up creates one and passes it on; the windows, the evaluator and the
// macro system run against it. Tests make their own.
#pragma once

#include <memory>
#include <string>

#include "core/data/group_mask.h"
#include "core/io/data_file.h"
#include "core/io/final_form_storage.h"
#include "core/model/undo_store.h"
#include "core/numeric/random_generator.h"
#include "core/settings/engine_context.h"
#include "core/settings/grid_color_list.h"
#include "core/settings/reload_files.h"
#include "core/settings/user_var.h"
#include "eval/calc_str.h"
#include "eval/eval_run_state.h"
#include "eval/reserved_words.h"
#include "eval/user_func.h"

class MacroEngine;
class Reg;

// Owner of the run's macro engine (host and library), a layer above.
using MacroEngineOwner = std::unique_ptr<MacroEngine, void (*)(MacroEngine*)>;

class AppState {
public:
    // Silent services until SetServices; no data set open.
    AppState();
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Services, folders, temporary names; its evaluator is the shared one.
    EngineContext& Context() { return context_; }
    UiServices& Services() const { return context_.Services(); }
    // nullptr: silent services again. The caller keeps ownership.
    void SetServices(UiServices* services);
    WorkSettings& Work() { return context_.Work(); }

    // The open data set and its model; null while none is open.
    Reg* Model() const { return model_.get(); }
    // Takes over a model (null closes the data set): it is moved into this
    // state's context and its data files carry this state's user scalars,
    // colours and final form.
    void SetModel(std::unique_ptr<Reg> model);
    // Reads a data file into a fresh model that then becomes the open one;
    // a failed read keeps the open data set and the colour table.
    void LoadModelFile(const std::string& fileName);
    // Hands the model back, leaving no data set open.
    std::unique_ptr<Reg> ReleaseModel();

    CalcStr& Evaluator() { return evaluator_; }
    EvalRunState& EvalRun() { return run_; }
    UserVar& UserScalars() { return userScalars_; }
    UserFunctionTable& UserFunctions() { return userFunctions_; }
    // How the evaluator reaches user functions: the table above, unless
    // another link is set (nullptr: the table again).
    UserFunctionLink& FunctionLink() { return functionLink_ ? *functionLink_ : userFunctions_; }
    void SetFunctionLink(UserFunctionLink* link) { functionLink_ = link; }
    RandomGenerator& Random() { return random_; }
    GridColorList& Colors() { return colors_; }
    FinalFormLists& FinalForms() { return finalForms_; }
    ReloadFiles& RecentFiles() { return recentFiles_; }
    // Colour switches of the settings and the text forms of the data file.
    DataFileCompanions& FileCompanions() { return companions_; }
    // Where group edits hand their undo blocks.
    GroupUndoSink& GroupUndo() { return groupUndo_; }
    // The undo and redo store of the open data set; its group blocks come
    // through GroupUndo().
    UndoStore& Undo() { return undo_; }
    // The folder that the macro file commands put before their file names:
    // the data folder at the start of every macro run, until a run chooses
    // another. One text for all runs, nested ones included.
    std::string& MacroFolder() { return macroFolder_; }
    // True for a name that no variable may take (a reserved word).
    bool IsReservedName(const std::string& name) const;

    // The significance level of every coefficient confidence interval the
    // windows show (0.05, a 95 % interval, at start). A level outside
    // (0, 1] would give no interval or an unbounded one and is refused:
    // false, and the level stays.
    double CoefficientAlpha() const { return coefficientAlpha_; }
    [[nodiscard]] bool SetCoefficientAlpha(double alpha);

    // The principal-component window registers the lookup of its score
    // names while it holds an analysis, and an empty function after.
    void SetScoreNameLookup(NameInUse lookup) { scoreNames_ = std::move(lookup); }
    const NameInUse& ScoreNameLookup() const { return scoreNames_; }

    // The macro engine of the run (GetMacroEngine makes it); null before.
    MacroEngine* Macros() const { return macros_.get(); }
    void SetMacros(MacroEngineOwner engine) { macros_ = std::move(engine); }

private:
    // Reads typed texts through the shared evaluator.
    class TextReader : public TextEvaluator {
    public:
        TextReader(CalcStr& calc, EvalRunState& run) : calc_(calc), run_(run) {}
        double Calculate(const std::string& text) override { return calc_.Calculate(text); }
        double Evaluate(const std::string& text, double fallback) override { return calc_.Evaluate(text, fallback); }
        std::unique_ptr<DataFileFormulas> OpenFileFormulas() override;

    private:
        CalcStr& calc_;
        EvalRunState& run_;
    };

    EngineContext context_;
    std::unique_ptr<Reg> model_;
    EvalRunState run_;
    UserVar userScalars_;
    UserFunctionTable userFunctions_;
    UserFunctionLink* functionLink_ = nullptr;
    RandomGenerator random_;
    CalcStr evaluator_;
    TextReader textReader_;
    GridColorList colors_;
    FinalFormLists finalForms_;
    ReloadFiles recentFiles_;
    DataFileCompanions companions_;
    GroupUndoSink groupUndo_;
    UndoStore undo_;
    NameInUse scoreNames_;
    std::string macroFolder_;
    double coefficientAlpha_ = 0.05;
    // Last, so that it goes first: its interpreters use the state.
    MacroEngineOwner macros_{nullptr, nullptr};
};
