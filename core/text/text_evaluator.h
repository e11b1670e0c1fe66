// How the data model turns a typed text into a number.
//
// The expression evaluator lives above the data model; the program hands it
// down to where data files, pasted cells, user scalars and percentages typed
// by the user are read, so that they are read as expressions.
#pragma once

#include <memory>
#include <string>

// The formulas of a data file being read, per observation and read once.
// They see the file's own variables read so far and never the data set
// that is open, and "index" is the observation being filled, so that a
// file reads the same whatever is open.
class DataFileFormulas {
public:
    virtual ~DataFileFormulas() = default;
    // A variable of the file, read completely. The values stay the
    // caller's and must outlive this object; they are read when a formula
    // first needs them.
    virtual void AddVariable(const std::string& name, const double* values, int count) = 0;
    // The formula at observations first .. first + count - 1 (0-based) into
    // out. Throws an Exception where it has no value, such as for a name
    // that is none of the variables added so far.
    virtual void Fill(const std::string& text, int first, int count, double* out) = 0;
    // A value read once (a count, a range bound, a scalar, a value of the
    // table) over the same variables; a name without an observation
    // selector is its first value. As TextEvaluator's, except that a name
    // that is none of the variables added so far throws an Exception.
    virtual double Calculate(const std::string& text) = 0;
    virtual double Evaluate(const std::string& text, double fallback) = 0;
};

class TextEvaluator {
public:
    virtual ~TextEvaluator() = default;
    // The value of the expression; throws an Exception for a bad text.
    virtual double Calculate(const std::string& text) = 0;
    // The value, or fallback for an empty or incomplete text.
    virtual double Evaluate(const std::string& text, double fallback) = 0;
    // Formulas for one data file. Without an expression evaluator they know
    // no variables and each value is Calculate of the text.
    virtual std::unique_ptr<DataFileFormulas> OpenFileFormulas();
};

// Reads one plain decimal number (C locale), the whole text trimmed: what
// typed numbers mean where no expression evaluator is at hand.
class PlainNumberReader : public TextEvaluator {
public:
    double Calculate(const std::string& text) override;
    double Evaluate(const std::string& text, double fallback) override;
};

// A shared plain reader; it keeps no state.
TextEvaluator& PlainNumbers();
