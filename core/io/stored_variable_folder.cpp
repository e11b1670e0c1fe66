#include "core/io/stored_variable_folder.h"

#include <algorithm>
#include <filesystem>

#include "core/io/data_file.h"
#include "core/io/stored_variables.h"
#include "platform/errors.h"

namespace fs = std::filesystem;

StoredVariableFolder ListStoredVariables(const std::string& folder) {
    StoredVariableFolder out;
    std::vector<std::string> candidates;
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder.empty() ? std::string(".") : folder), ec);
    if (ec) {
        out.errors.push_back(folder + ": " + ec.message());
        out.folderRead = false;
        return out;
    }
    for (int seen = 0; it != fs::directory_iterator() && seen < kMaxListedDataFiles; it.increment(ec), ++seen) {
        if (ec) break;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::string name = it->path().filename().string();
        if (IsBinaryDataFileName(name)) candidates.push_back(name);
    }
    // The file system gives no order of its own; names keep the tree stable.
    std::sort(candidates.begin(), candidates.end());
    for (const std::string& name : candidates) {
        StoredVariableFile file{name, {}};
        try {
            ReadVariableNames((fs::path(folder) / name).string(), file.names);
        } catch (const Exception& e) {
            out.errors.push_back(name + ": " + e.Message());
            continue;
        }
        if (!file.names.empty()) out.files.push_back(std::move(file));
    }
    return out;
}
