#pragma once

#include <array>
#include <string_view>

// The operator's commands that have a key. Every window of the program installs the whole table,
// so a key works whichever window has the focus; the competition decides whether it is enabled.
enum class Command {
    Help,
    Settings,
    Info,
    Start,
    Resume,
    PenaltyPlus,
    PenaltyMinus,
    Abort,
    Dq,
    Entry,
    LockLightBarrier,
    SortMode,
    Save,
    TvMode,
    Load,
    Print,
    Clear,
    Excel,
    Html,
    Edit,
    NextClass,
    PreviousClass,
    Undo,
    Scratch,
    Draw,
    Announcer,
    PrintStartList,
    PrintDivisions,
    Payout,
    BarrierTest,
    Cashout,
};

struct KeyCommand {
    Command Id;
    std::string_view Name;     // the menu command's name
    std::string_view Caption;  // its caption in the hidden menu
    std::string_view Key;      // portable key text: "F4", "Ctrl+F5", "Alt+I"
    std::string_view Menu;     // the hidden menu holding it: "HideMenu" or "Files"
};

inline constexpr std::array<KeyCommand, 32> KeyCommands = {{
    {Command::Help, "mHilfe", "Hilfe", "F1", "HideMenu"},
    {Command::Help, "Hilfe1", "H&ilfe", "Alt+I", "HideMenu"},
    {Command::Settings, "mCFG", "Einstellungen", "F2", "HideMenu"},
    {Command::Info, "mInfo", "Info", "F3", "HideMenu"},
    {Command::Start, "mStart", "Timer/Start/Stop", "F4", "HideMenu"},
    {Command::Resume, "mWeiterlaufen", "Weiterlaufen", "Shift+F4", "HideMenu"},
    {Command::PenaltyPlus, "m5Plus", "+5 sek", "F5", "HideMenu"},
    {Command::PenaltyMinus, "m5Minus", "-5 sek", "Ctrl+F5", "HideMenu"},
    {Command::Abort, "mAbbruch", "Abbruch", "F8", "HideMenu"},
    {Command::Dq, "mDQ", "DQ", "F9", "HideMenu"},
    {Command::Entry, "mEintragen", "Eintragen", "F10", "HideMenu"},
    {Command::LockLightBarrier, "LockLS1", "Lock LS1", "F11", "HideMenu"},
    {Command::SortMode, "mSortMode", "Sort", "F12", "HideMenu"},
    {Command::Save, "Save1", "Save", "Ctrl+S", "Files"},
    {Command::TvMode, "Modus1", "TV Modus", "Ctrl+T", "Files"},
    {Command::Load, "Load1", "Load", "Ctrl+O", "Files"},
    {Command::Print, "Platzeverteilen1", "Print", "Ctrl+P", "Files"},
    {Command::Clear, "Cls1", "Cls", "Ctrl+A", "Files"},
    {Command::Excel, "Excel1", "Excel", "Ctrl+E", "Files"},
    {Command::Html, "Html1", "Html", "Ctrl+H", "Files"},
    {Command::Edit, "mEdit", "Edit Mode", "Ctrl+B", "Files"},
    {Command::NextClass, "mNextClass", "Nächste Klasse", "Ctrl+PgDown", "Files"},
    {Command::PreviousClass, "mPreviousClass", "Vorige Klasse", "Ctrl+PgUp", "Files"},
    {Command::Undo, "mUndo", "Rückgängig", "Ctrl+Z", "Files"},
    {Command::Scratch, "mScratch", "Abgemeldet", "Ctrl+D", "Files"},
    {Command::Draw, "mDraw", "Auslosen", "Ctrl+L", "Files"},
    {Command::Announcer, "mSprecher", "Sprecher", "Ctrl+M", "Files"},
    {Command::PrintStartList, "mStartliste", "Startliste drucken", "Ctrl+Shift+P", "Files"},
    {Command::PrintDivisions, "mDivisionen", "Ergebnisliste je Division", "Ctrl+Shift+D", "Files"},
    {Command::Payout, "mAuszahlung", "Auszahlung", "Ctrl+U", "Files"},
    {Command::BarrierTest, "mLSTest", "Lichtschranken-Test", "F7", "HideMenu"},
    {Command::Cashout, "mKasse", "Kasse", "Ctrl+K", "Files"},
}};
