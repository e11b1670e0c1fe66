#include "core/settings/work_settings.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string WithTrailingSlash(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder;
    return folder + "/";
}

std::string DefaultWorkFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return WithTrailingSlash(tmp && *tmp ? std::string(tmp) : std::string("/tmp"));
}

WorkSettings DefaultWorkSettings() {
    WorkSettings s;
    std::error_code ec;
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    s.dataFolder = WithTrailingSlash(ec ? std::string("/") : cwd.string());
    s.workFolder = DefaultWorkFolder();
    return s;
}
