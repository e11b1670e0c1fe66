#include "core/settings/reload_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/ini_file.h"
#include "platform/text/cp932.h"

std::string ReloadFiles::GetItem(int i) const {
    // Callers pass non-negative indices; a negative one still maps into 0..9.
    int k = i % kCapacity;
    if (k < 0) k += kCapacity;
    return names_[static_cast<std::size_t>(k)];
}

bool ReloadFiles::Add(const std::string& fileName) {
    if (fileName.empty()) return false;
    int p = -1;
    for (int k = 0; k < count_; ++k) {
        if (names_[static_cast<std::size_t>(k)] == fileName) {
            p = k;
            break;
        }
    }
    if (p < 0) {
        if (count_ < kCapacity) ++count_;
        p = count_ - 1;  // a full list loses its oldest entry
    }
    for (int k = p; k >= 1; --k)
        names_[static_cast<std::size_t>(k)] = names_[static_cast<std::size_t>(k - 1)];
    names_[0] = fileName;
    return true;
}

void ReloadFiles::Remove(const std::string& fileName) {
    if (fileName.empty()) return;
    for (int k = 0; k < count_; ++k) {
        if (names_[static_cast<std::size_t>(k)] != fileName) continue;
        for (int j = k; j < count_ - 1; ++j)
            names_[static_cast<std::size_t>(j)] = names_[static_cast<std::size_t>(j + 1)];
        --count_;
        return;
    }
}

void ReloadFiles::SaveSettings(IniFile& ini) const {
    // A path the settings file cannot hold is left out rather than failing
    // the whole settings write.
    std::vector<std::string> kept;
    for (int k = 0; k < count_; ++k)
        if (cp932::IsRepresentable(names_[static_cast<std::size_t>(k)]))
            kept.push_back(names_[static_cast<std::size_t>(k)]);
    ini.EraseSection("RECORD");
    ini.WriteInteger("RECORD", "size", static_cast<int>(kept.size()));
    for (std::size_t k = 0; k < kept.size(); ++k) ini.WriteString("RECORD", "item" + std::to_string(k), kept[k]);
}

void ReloadFiles::LoadSettings(const IniFile& ini) {
    int n = std::min(ini.ReadInteger("RECORD", "size", 0), kCapacity);
    std::vector<std::string> kept;
    for (int k = 0; k < n; ++k) {
        std::string name = ini.ReadString("RECORD", "item" + std::to_string(k), "");
        // A folder is no data file to open again.
        std::error_code ec;
        const auto st = std::filesystem::status(name, ec);
        if (name.empty() || !std::filesystem::exists(st) || std::filesystem::is_directory(st)) continue;
        kept.push_back(name);
    }
    Clear();
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) Add(*it);
}

