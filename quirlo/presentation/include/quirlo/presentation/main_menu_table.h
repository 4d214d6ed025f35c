// The main window's commands as data: menu bar, the four tool bars and the replay bar.
//
// The widgets are built from these tables, and the tests read the same tables back from the
// widgets, so a caption, hint or order is written down exactly once. Every command is named by
// its action; the window's handler for an action is the action name followed by "Execute".
#pragma once

#include <string_view>
#include <vector>

namespace quirlo::presentation {

struct MenuItemDef {
  std::string_view caption;  // "&" marks the accelerator; empty caption = separator
  std::string_view action;   // empty for a separator
  bool enabledAtStart = true;
  bool checkable = false;    // the item checks and unchecks itself when chosen
  bool IsSeparator() const { return action.empty(); }
};

struct MenuDef {
  std::string_view title;
  std::vector<MenuItemDef> items;
};

struct ToolButtonDef {
  std::string_view name;     // object name of the button
  std::string_view caption;
  std::string_view hint;
  std::string_view command;  // an action name, or a handler that belongs to no menu item
};

struct ToolBarDef {
  int bandId;                // identifier stored in the tool bar layout record
  std::string_view name;
  std::string_view title;
  std::vector<ToolButtonDef> buttons;
};

const std::vector<MenuDef>& MainMenus();
const std::vector<ToolBarDef>& MainToolBars();

// The floating replay bar: one title, four exclusive image buttons, Play checked at first.
inline constexpr std::string_view kReplayBarTitle = "Replay Controls";
struct ReplayButtonDef {
  std::string_view name;     // handler: name + "Click"
  bool checkedAtStart;
};
const std::vector<ReplayButtonDef>& ReplayButtons();

// The menu item bound to an action, or nullptr.
const MenuItemDef* FindMenuItem(std::string_view action);

}  // namespace quirlo::presentation
