#include "quirlo/presentation/main_menu_table.h"

namespace quirlo::presentation {

namespace {
constexpr MenuItemDef kSeparator{};
}

const std::vector<MenuDef>& MainMenus() {
  static const std::vector<MenuDef> menus = {
      {"&File",
       {{"&Record...", "FileNew"},
        {"&Append...", "FileAppend"},
        kSeparator,
        {"&Edit Saved File...", "FileOpen"},
        {"&Graph Saved File...", "FileGraph"},
        {"Replay &Saved File...", "FileReplay"},
        {"Res&ume Data Acquisition", "FileResume", false},
        kSeparator,
        {"Sa&ve Settings As...", "FileSaveSettings"},
        {"Res&tore Saved Settings...", "FileRestore"},
        kSeparator,
        {"&Print...", "FilePrint"},
        kSeparator,
        {"E&xit", "FileExit"}}},
      {"&Options",
       {{"&Setup", "EditSetup"},
        {"R&un Data Simulator", "EditSimulator", true, true},
        {"&Run Coiled Tubing Demo", "EditCTDemo", true, true},
        {"&Delimiters...", "EditDelimiters"}}},
      {"&Chart", {kSeparator, {"&Clear", "ChartReset"}}},
      {"&Totals",
       {{"&Select Totals to Reset", "SelectTotals"}, {"&Reset All Totals", "ResetAll"}}},
      {"&Help", {{"&About", "HelpAbout"}, {"&Contents", "HelpContents"}}},
  };
  return menus;
}

const std::vector<ToolBarDef>& MainToolBars() {
  // The trailing blanks of two texts ("existing file ", "Open Window ") are the program's own.
  static const std::vector<ToolBarDef> bars = {
      {1, "RecordBar", "Recording",
       {{"Record", "Record", "Begin a new recording", "FileNew"},
        {"Append", "Append", "Begin recording to an existing file ", "FileAppend"}}},
      {2, "ChartBar", "Chart",
       {{"EditBtn", "Editor", "Edit chart type", "EditBtnClick"},
        {"ClearBtn", "Clear", "Reset chart", "ChartReset"},
        {"TagBtn", "Tag", "Add an event tag to the chart", "TagBtnClick"}}},
      {3, "FileBar", "Files",
       {{"EditFileBtn", "Edit", "Open a file in a spreadsheet", "FileOpen"},
        {"PrintBtn", "Print", "Print this chart", "FilePrint"},
        {"ExportBtn", "Export", "Export chart data or image to a file", "ExportChartData"},
        {"SetupBtn", "Setup", "Go to QUIRLO setup", "EditSetup"},
        {"ExitBtn", "Exit", "", "FileExit"}}},
      {4, "WindowBar", "Windows",
       {{"LoadWindowBtn", "Open Window ", "Open a saved window", "LoadWindowClick"},
        {"NewWindowBtn", "New Window", "Create a new window", "NewWindowClick"}}},
  };
  return bars;
}

const std::vector<ReplayButtonDef>& ReplayButtons() {
  static const std::vector<ReplayButtonDef> buttons = {
      {"Stop", false}, {"Rewind", false}, {"Play", true}, {"FastFwd", false}};
  return buttons;
}

const MenuItemDef* FindMenuItem(std::string_view action) {
  if (action.empty()) return nullptr;
  for (const auto& menu : MainMenus())
    for (const auto& item : menu.items)
      if (item.action == action) return &item;
  return nullptr;
}

}  // namespace quirlo::presentation
