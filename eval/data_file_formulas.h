// The formulas and values of a data file being read, worked out by the
// program's evaluator over a data set of the file's own variables read so
// far: the data set that is open is out of their sight while they run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/text/text_evaluator.h"

class CalcStr;
class Reg;
struct EvalRunState;

class FileFormulaData : public DataFileFormulas {
public:
    FileFormulaData(CalcStr& calc, EvalRunState& run);
    ~FileFormulaData() override;

    void AddVariable(const std::string& name, const double* values, int count) override;
    // Throws Exception "未定義識別子エラー(name)" for a name that is no
    // variable of the file so far, "文法エラー" for any other formula
    // without a value.
    void Fill(const std::string& text, int first, int count, double* out) override;
    // Throw "未定義識別子エラー(name)" for a name that is no variable of
    // the file so far.
    double Calculate(const std::string& text) override;
    double Evaluate(const std::string& text, double fallback) override;

private:
    struct Column {
        std::string name;
        const double* values;
        int count;
    };
    // The data set of the columns added so far, made when a formula first
    // needs it after a change.
    Reg& Data();
    // After an entry: the undefined-name error for a name it found no
    // variable of.
    void RefuseUnknownName() const;

    CalcStr& calc_;
    EvalRunState& run_;
    std::vector<Column> columns_;
    std::unique_ptr<Reg> data_;
    std::size_t inData_ = 0;  // columns data_ holds
};
