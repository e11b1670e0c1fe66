// Group numbers, group words and their text form; the hand-over of group
// edits to the undo store.
//
// A cell's group word has bit g-1 set for group g (1..16). The mask text lists
// the groups present in order: "1".."9", "A".."F" for 10..15 and "0" for 16;
// padded, an absent group is "_" and the text is always 16 characters.
//
// Before a block of cells changes its groups, SaveGroupUndoRange collects the
// old words of the block and gives them to the sink's hook (the undo store's).
// Without a hook the words are only collected and returned.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Data;
class UiServices;

// 0 for g < 1, else the bit of group ((g - 1) mod 16) + 1.
std::uint16_t GroupBit(int g);

// The text read as a decimal integer (empty or not a number: 0), stored
// through g when given; returns GroupBit of it.
std::uint16_t GroupBitFromText(const std::string& text, int* g = nullptr);

std::string GroupMaskText(std::uint16_t mask, bool pad);

// Upper-cases the text in place, then reads its mask; "N" is 0 and every
// character that names no group is skipped.
std::uint16_t ParseGroupMask(std::string& text);

// rows arrays of cols zero words (negative sizes count as 0).
using MarkTable = std::vector<std::vector<std::uint16_t>>;
MarkTable NewMarkTable(int rows, int cols);

// The old group words of a block of cells, ready for an undo record: flags per
// observation and per variable, and the words of the flagged cells row by row
// (flagged variables in ascending order within a row).
struct GroupUndoBlock {
    int cellCount = 0;
    std::vector<std::uint8_t> rowFlags;
    std::vector<std::uint8_t> colFlags;
    std::vector<std::uint16_t> marks;
};

// Receives a collected block: intoUndo true pushes it on the undo list, false
// on the redo list. After the hook has run, the undo (or redo) action is
// enabled through the user-interface services.
using GroupUndoHook = std::function<void(bool intoUndo, const GroupUndoBlock& block)>;

// Where collected blocks go: the undo store's hook (empty: nothing is handed
// over) and the services through which the action is then enabled.
struct GroupUndoSink {
    GroupUndoHook hook;
    UiServices* services = nullptr;
};

// Marks rows firstRow..lastRow and variables firstCol..lastCol (clamped to the
// table; an empty range gives an empty block) and calls SaveGroupUndo.
GroupUndoBlock SaveGroupUndoRange(const Data& data, const GroupUndoSink& sink, bool intoUndo, int firstRow,
                                  int lastRow, int firstCol, int lastCol);

// Collects the words of every flagged cell and hands them to the sink.
// cellCount must equal the number of flagged cells inside the table (flags
// beyond the table are ignored); otherwise ERangeError is raised and nothing
// is handed over.
GroupUndoBlock SaveGroupUndo(const Data& data, const GroupUndoSink& sink, bool intoUndo, int cellCount,
                             const std::vector<std::uint8_t>& rowFlags,
                             const std::vector<std::uint8_t>& colFlags);
