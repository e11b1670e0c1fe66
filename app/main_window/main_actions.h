// The main window's one action table: every menu item, tool button and
// shortcut-only action with its caption, shortcut, hint, image and handler.
// Menus and tool bars are built from it in table order.
#pragma once

#include <vector>

class TfrmREG;

using MainHandler = void (TfrmREG::*)();

enum class ActionRow { Command, Separator, RecentMenu };

struct ActionSpec {
    ActionRow row;
    const char* name;      // the action's name; the handler is name + "Execute" or "Click"
    const char* menu;      // menu path "トップ/サブ"; null for a shortcut-only action
    const char* caption;   // with the "&" mnemonic
    const char* shortcut;  // Qt key-sequence text, or null
    const char* hint;      // status-bar hint; null: the caption without its mnemonic
    int image;             // image number, -1 for none
    int toolBar;           // 0 none, 1 the file and edit bar, 2 the analysis bar
    bool checkable;
    MainHandler handler;   // null: the command is not part of the program yet
};

const std::vector<ActionSpec>& MainActionTable();

// The image numbers the table uses, as icons of the current style.
class QIcon;
QIcon ImageIcon(int image);

constexpr int kImageOrdinaryLSE = 44;
constexpr int kImageTwoStageLSE = 67;
constexpr int kImageRealCalc = 6;
