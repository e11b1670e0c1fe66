#include "core/text/text_evaluator.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"

namespace {

bool ReadPlainNumber(const std::string& text, double& value) {
    std::size_t b = text.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return false;
    std::size_t e = text.find_last_not_of(" \t\r\n");
    std::string s = text.substr(b, e - b + 1);
    // strtod follows the C locale, which the program never changes.
    char* end = nullptr;
    errno = 0;
    value = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size();
}

// Each value read as a whole text: nothing varies by observation.
class CalculatedFormulas : public DataFileFormulas {
public:
    explicit CalculatedFormulas(TextEvaluator& evaluator) : evaluator_(evaluator) {}
    void AddVariable(const std::string&, const double*, int) override {}
    void Fill(const std::string& text, int, int count, double* out) override {
        if (count <= 0) return;
        const double v = evaluator_.Calculate(text);
        for (int k = 0; k < count; ++k) out[k] = v;
    }
    double Calculate(const std::string& text) override { return evaluator_.Calculate(text); }
    double Evaluate(const std::string& text, double fallback) override { return evaluator_.Evaluate(text, fallback); }

private:
    TextEvaluator& evaluator_;
};

}  // namespace

std::unique_ptr<DataFileFormulas> TextEvaluator::OpenFileFormulas() {
    return std::make_unique<CalculatedFormulas>(*this);
}

double PlainNumberReader::Calculate(const std::string& text) {
    double v = 0;
    if (!ReadPlainNumber(text, v)) throw EConvertError("'" + text + "' は数値ではありません");
    return v;
}

double PlainNumberReader::Evaluate(const std::string& text, double fallback) {
    double v = 0;
    return ReadPlainNumber(text, v) ? v : fallback;
}

TextEvaluator& PlainNumbers() {
    static PlainNumberReader reader;
    return reader;
}
