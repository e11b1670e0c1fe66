// How the data model turns a typed text into a number.
//
// The expression evaluator lives above the data model; it installs itself
// here at start-up so that data files, pasted cells, user scalars and
// percentages typed by the user are read as expressions. Until one is
// installed, plain decimal numbers are read.
#pragma once

#include <string>

class TextEvaluator {
public:
    virtual ~TextEvaluator() = default;
    // The value of the expression; throws an Exception for a bad text.
    virtual double Calculate(const std::string& text) = 0;
    // The value, or fallback for an empty or incomplete text.
    virtual double Evaluate(const std::string& text, double fallback) = 0;
};

// The installed evaluator (never null: a plain-number reader by default).
TextEvaluator& CurrentTextEvaluator();

// Installs an evaluator (nullptr restores the plain-number reader). The
// caller keeps ownership and must outlive its use.
void InstallTextEvaluator(TextEvaluator* evaluator);
