// Report text: UTF-8 lines built column by column, each column
// right-justified in a width counted in CP932 bytes, and the sink that
// turns the lines into CP932 only as they leave for the file.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

// The width of a value column in every report.
inline constexpr int kReportColumn = 12;

// A text or a whole number right-justified in width bytes.
std::string Column(std::string_view text, int width);
std::string Column(int number, int width);

// Column appenders for one report line.
void AppendColumn(std::string& line, std::string_view text, int width);
void AppendColumn(std::string& line, int number, int width);
// FormatNumber(false, x) in width bytes.
void AppendNumberColumn(std::string& line, double x, int width = kReportColumn);
// mark + FormatNumber(false, x) in width bytes; an empty mark is no mark.
void AppendMarkedColumn(std::string& line, std::string_view mark, double x, int width = kReportColumn);

// Collects UTF-8 text and hands it to a byte stream as CP932 in pieces of
// about flushBytes. Text goes in as whole UTF-8 strings, so a piece never
// ends inside a character. A stream that fails raises EWriteError with
// failureText.
class ReportText {
public:
    ReportText(std::ostream& out, std::string failureText, std::size_t flushBytes = std::size_t{1} << 16);
    ReportText(const ReportText&) = delete;
    ReportText& operator=(const ReportText&) = delete;

    void Put(std::string_view utf8);
    // The text held, for a line built in place; Commit() once the line is
    // whole.
    std::string& Pending() { return buffer_; }
    void Commit() {
        if (buffer_.size() >= flushBytes_) Flush();
    }
    // Writes what is held and flushes the stream.
    void Finish();

private:
    void Flush();

    std::ostream& out_;
    std::string failureText_;
    std::size_t flushBytes_;
    std::string buffer_;
};
