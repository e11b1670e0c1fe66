// Group edits of whole observation and variable selections, and the group
// a typed text names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/data_edit_commands.h"

class Reg;

// The group named by the text (a group name first, else a number); 0 when
// it names none or the number is outside 1..16.
int GroupCodeFromText(const Reg& model, const std::string& text);
// The bit of that group; 0 when there is none.
std::uint16_t GroupMaskFromText(const Reg& model, const std::string& text);

// Every flagged observation x flagged variable joins the mask's groups as
// one undo step. Flags beyond the data set are ignored; nothing is recorded
// when the mask is 0 or no cell is flagged.
void SetGroupFlagsWithUndo(const DataEdit& ed, const std::vector<std::uint8_t>& rowFlags,
                           const std::vector<std::uint8_t>& colFlags, std::uint16_t mask);

// Every cell of the data set leaves every group; this cannot be undone.
void ClearAllGroups(Reg& model);
