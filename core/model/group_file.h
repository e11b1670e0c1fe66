// Saving the observations of some groups as a data file of their own: every
// variable, the observations in the groups with their group words, and the
// names of those groups, in the binary data-file form.
#pragma once

#include <cstdint>
#include <string>

class Reg;

// The file title: the name without folder and extension.
std::string FileTitleOf(const std::string& fileName);

// True when both names lead to the same file (or the same place, when the
// file does not exist yet).
bool IsSameFile(const std::string& a, const std::string& b);

// Writes the groups of mask (non-zero) to fileName, named by its title,
// through a temporary file and with the old file kept as ".BAK". The open
// data file is refused (EFOpenError) and so is a block the groups do not
// make (no observation, no variable, or no more observations than
// variables: Exception "グループ設定に失敗しました。"); nothing is written then.
void SaveGroupFile(const Reg& model, std::uint16_t mask, const std::string& fileName);
