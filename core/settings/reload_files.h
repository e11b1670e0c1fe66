// The list of the ten most recently opened data files.
//
// Index 0 is the newest. The main window's recent-file menu is built from it
// and the settings file keeps it in section "RECORD". Names are file-system
// paths compared byte for byte, so two names differing only in letter case
// are two entries.
#pragma once

#include <array>
#include <string>

class IniFile;

class ReloadFiles {
public:
    static constexpr int kCapacity = 10;

    ReloadFiles() = default;

    int Count() const { return count_; }

    // Name at index i modulo 10 (slots behind Count() may hold stale names).
    std::string GetItem(int i) const;

    // Puts the name first, moving it up when present or dropping the oldest
    // entry of a full list. An empty name changes nothing and gives false.
    bool Add(const std::string& fileName);

    void Clear() { count_ = 0; }

    // Removes the first entry equal to the name; absent or empty: no change.
    void Remove(const std::string& fileName);

    // Settings section "RECORD": key "size" and "item0".."item<size-1>".
    // Saving erases the section first so that no item of a longer earlier
    // list remains. Loading keeps at most ten items, skips empty ones and
    // those whose file no longer exists (or is a folder), and keeps their
    // order.
    void SaveSettings(IniFile& ini) const;
    void LoadSettings(const IniFile& ini);

private:
    int count_ = 0;
    std::array<std::string, kCapacity> names_{};
};

