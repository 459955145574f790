#pragma once

#include <cstdint>
#include <string>

#include "results/ResultRules.h"

// Colours as 0xRRGGBB.
using Rgb = std::uint32_t;

inline constexpr Rgb DigitGreen = 0x00FF00;
inline constexpr Rgb DigitYellow = 0xFFFF00;
// Leading (insignificant) digits and separators that do not apply.
inline constexpr Rgb DigitDimColour = 0x303030;

// The look of a colour button.
struct ButtonLook {
    std::string Caption;
    Rgb Color = 0;
    Rgb TextColor = 0;
    Rgb ColorWhenDown = 0;
    Rgb HotTrackColor = 0;
    Rgb LightColor = 0;
    Rgb ShadowColor = 0;
    bool Enabled = false;

    bool operator==(const ButtonLook&) const = default;
};

// One seven-segment digit: the value 0-9 and the colour of its lit segments.
struct DigitLook {
    int Value = 0;
    Rgb ColorOn = DigitDimColour;
};

// Everything the main window and the spectator window show of the timing engine. A key command
// is enabled exactly when its button is; mAbbruch (F8) exactly while img_Abbruch is visible.
struct TimingView {
    ButtonLook bSTART{"TIMER", DigitYellow, 0x000000, 0xE0E080, 0x909000, 0xF0F0C0, 0x000000, true};
    ButtonLook bEintragen{"EINTRAGEN", 0x000000, 0xFFFFFF, 0xFF8000,
                          0x000000,    0x00FFFF, 0x000000, false};
    bool b5sekEnabled = false;
    bool b_5sekEnabled = false;
    bool bDqEnabled = false;
    bool cmd_F2_SettingsEnabled = true;
    bool img_AbbruchVisible = false;

    // Time board: tens of minutes, minutes, ":", tens of seconds, seconds, decimal separator,
    // tenths, hundredths.
    DigitLook Digit3{0, DigitDimColour};
    DigitLook Digit4{0, DigitDimColour};
    Rgb LabMinColor = DigitDimColour;
    DigitLook Digit5{0, DigitDimColour};
    DigitLook Digit6{0, DigitGreen};
    Rgb LabSecColor = DigitGreen;
    DigitLook Digit7{0, DigitGreen};
    DigitLook Digit8{0, DigitDimColour};

    // Light-barrier indicator picture: 0 locked (red), 1 armed (green).
    int LightBarrierArmed = 0;
    // The barrier counts edges stamped from ArmedSinceTicks on; an edge stamped before a start
    // lock's end (LockEndTicks) counts as locked, however late it is handled.
    std::int64_t ArmedSinceTicks = 0;
    std::int64_t LockEndTicks = 0;
    // The last stop came from the light barrier and nothing was added to the run since: the run
    // may go on ("Weiterlaufen") as if the stop never happened.
    bool ResumeEnabled = false;

    std::string eStarafeT = "Strafen: 0";
    std::string eRangT = "Rang:";
    bool eRangTVisible = false;
    // LabelGrund and ListBoxGrund are shown and hidden together.
    bool ReasonsVisible = false;

    // Run state.
    int StartStep = 0;  // next start command: 0 countdown, 1 start the run, 2 stop the run
    bool CountdownActive = true;
    Rgb DigitOnColour = DigitGreen;
    bool WarningPlayed = false;
    int PenaltyCount = 0;
    // What one penalty adds, as the penalty buttons say ("+5 s.").
    int PenaltySeconds = DefaultPenaltySeconds;
    int DqFlag = 0;
    int EntryStep = 0;  // next entry command: 0 enter the result, 1 next starter
    std::int64_t RunStartTicks = 0;
    std::int64_t RunTicks = 0;  // elapsed ticks of the last stopped run
    std::uint32_t LastModemStatus = 0;
};
