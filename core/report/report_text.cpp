#include "core/report/report_text.h"

#include <cstdint>
#include <cstring>
#include <ostream>

#include "core/report/report_number.h"
#include "core/text/number_format.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

std::string Column(std::string_view text, int width) { return PadLeft(text, width); }

std::string Column(int number, int width) { return PadLeft(std::to_string(number), width); }

void AppendColumn(std::string& line, std::string_view text, int width) { line += PadLeft(text, width); }

void AppendColumn(std::string& line, int number, int width) { line += PadLeft(std::to_string(number), width); }

void AppendNumberColumn(std::string& line, double x, int width) { AppendPaddedNumber(line, x, width); }

void AppendMarkedColumn(std::string& line, std::string_view mark, double x, int width) {
    if (mark.empty()) {
        AppendPaddedNumber(line, x, width);
        return;
    }
    // The number's text through the quick column form, its padding dropped.
    constexpr int kWide = 32;
    std::string number;
    AppendPaddedNumber(number, x, kWide);
    const std::size_t first = number.find_first_not_of(' ');
    std::string text(mark);
    text.append(number, first == std::string::npos ? number.size() : first);
    line += PadLeft(text, width);
}

ReportText::ReportText(std::ostream& out, std::string failureText, std::size_t flushBytes)
    : out_(out), failureText_(std::move(failureText)), flushBytes_(flushBytes) {}

void ReportText::Put(std::string_view utf8) {
    buffer_ += utf8;
    if (buffer_.size() >= flushBytes_) Flush();
}

namespace {

// Eight bytes at a time: nearly every piece of a report is ASCII and leaves
// as it is, without a converted copy.
bool AllAscii(std::string_view s) {
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        any |= word;
    }
    for (; i < s.size(); ++i) any |= static_cast<unsigned char>(s[i]);
    return (any & 0x8080808080808080ULL) == 0;
}

}  // namespace

void ReportText::Flush() {
    if (AllAscii(buffer_))
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    else
        out_ << cp932::FromUtf8(buffer_);
    buffer_.clear();
    if (!out_) throw EWriteError(failureText_);
}

void ReportText::Finish() {
    Flush();
    out_.flush();
    if (!out_) throw EWriteError(failureText_);
}
