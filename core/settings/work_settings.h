// The settings that the engine's file services read: folders, the run
// number and the help file. The settings dialog fills them at start-up and
// when the user changes them; until then they hold usable defaults.
#pragma once

#include <string>

struct WorkSettings {
    // Initial folder of the file dialogs; ends with "/".
    std::string dataFolder;
    // Folder of temporary files; ends with "/".
    std::string workFolder;
    // This run's number 0 .. 99, part of every temporary name so that two
    // programs running at once do not share temporary files.
    int runNumber = 0;
    // The help file; empty until the main window sets it.
    std::string helpFile;
    // Columns per block of the analysis windows' text reports.
    int reportMargin = 80;
};

// Usable defaults: the current folder as data folder, $TMPDIR or /tmp as
// work folder, run number 0, no help file.
WorkSettings DefaultWorkSettings();

// The folder text with a trailing "/" (an empty text stays empty).
std::string WithTrailingSlash(const std::string& folder);

// $TMPDIR, or /tmp when it is unset or empty, with a trailing "/".
std::string DefaultWorkFolder();
