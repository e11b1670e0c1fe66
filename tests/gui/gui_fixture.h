// Shared set-up of the window tests: one application object per test
// program, a scratch folder, and data files to open.
#pragma once

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/model/regression_file.h"
#include "support/model_builder.h"

// The system font library keeps its caches to the end of the process; that
// is not ours to free. Each GUI test program includes this header once.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

template <class App = QApplication>
App& TestApp() {
    static int argc = 1;
    static char name[] = "merlox_gui_test";
    static char* argv[] = {name, nullptr};
    // Kept to the end of the process: tearing Qt down among the static
    // destructors crashes in the platform plugin.
    static App* app = new App(argc, argv);
    return *app;
}

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag) {
        path_ = std::filesystem::temp_directory_path() /
                ("merlox_" + tag + "_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string Path(const std::string& name = {}) const { return name.empty() ? path_.string() : (path_ / name).string(); }
    // The folder with a final "/", as the settings keep folders.
    std::string Folder() const { return path_.string() + "/"; }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A small binary data file of two variables and five observations.
inline void WriteSampleDataFile(const std::string& path) {
    auto model = MakeModel({{1, 2, 3, 4, 5}, {2, 4, 5, 4, 5}}, {}, {"X", "Y"});
    SaveAs(*model, path);
}
