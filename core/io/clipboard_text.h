// The clipboard of the data grid: whole observations as cells (value and
// group word), kept either in the program's own buffer, exactly, or on the
// system clipboard as text that other programs can read and fill.
//
// The text form is one line: every cell as its value in the general 15-digit
// form, "@" and the group word when the word is not 0, and a ",". Reading
// takes "," TAB CR and LF as separators, so the rows of a spreadsheet paste
// as cells too, and reads each value and group word as an expression.
//
// Every operation takes the switch of the settings (osClip: the system
// clipboard) when it is called; the caller keeps the switch.
#pragma once

#include <string>
#include <string_view>

#include "core/data/data_cell.h"

class TextEvaluator;
class UiServices;

// The text form of the cells.
std::string ClipboardText(const DataString& cells);

// Cells of a text, appended to out. An empty field (the end of the text or a
// field of blanks) ends the reading. A value text the evaluator refuses
// raises its exception; the cells read before it stay in out. A group text
// that is no number in the range of a 64-bit integer raises ERangeError.
void ReadClipboardText(std::string_view text, DataString& out, TextEvaluator& evaluator);

// The number of cells the text yields: its non-empty fields up to the first
// empty one.
int ClipboardTextCellCount(std::string_view text);

class Clip {
public:
    // The system clipboard's text is replaced by the text form of cells, or
    // the buffer becomes a copy of cells.
    void CopyToClipboard(const DataString& cells, bool osClip, UiServices& services);
    // From the system clipboard: when it holds text, out is emptied and
    // filled from it (see ReadClipboardText); otherwise out is left as it
    // was. From the buffer: out becomes a copy of it.
    void PasteFromClipboard(DataString& out, bool osClip, UiServices& services, TextEvaluator& evaluator) const;
    // The number of cells a paste would give (0 for a system clipboard
    // without text).
    int ClipboardLineCount(bool osClip, UiServices& services) const;
    // Empties the clipboard in use (the system one only when it holds text).
    void Clear(bool osClip, UiServices& services);

    const DataString& Buffer() const { return buffer_; }

private:
    DataString buffer_;
};
