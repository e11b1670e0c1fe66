#include "core/text/text_evaluator.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"

namespace {

// Reads one plain decimal number (C locale), the whole text trimmed.
class PlainNumberReader : public TextEvaluator {
public:
    double Calculate(const std::string& text) override {
        double v = 0;
        if (!Read(text, v)) throw EConvertError("'" + text + "' は数値ではありません");
        return v;
    }
    double Evaluate(const std::string& text, double fallback) override {
        double v = 0;
        return Read(text, v) ? v : fallback;
    }

private:
    static bool Read(const std::string& text, double& value) {
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
};

PlainNumberReader plainReader;
TextEvaluator* installed = nullptr;

}  // namespace

TextEvaluator& CurrentTextEvaluator() { return installed ? *installed : plainReader; }

void InstallTextEvaluator(TextEvaluator* evaluator) { installed = evaluator; }
