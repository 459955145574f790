#pragma once

// The settings the timing engine works with; times in milliseconds.
struct TimingSettings {
    bool CountDown = true;       // countdown step before each run
    int CountDownSek = 30000;    // countdown length
    int TimeWarnung = 10000;     // warn when less than this remains
    int TimeLock = 10000;        // light-barrier start lock after a start or stop; 0 = none
    bool Abbruch = true;         // the countdown can be aborted
    bool SoundCountDown = true;  // cue at countdown start
    bool SoundWarnung = true;    // the countdown warning and its cue
    bool SoundAbbruch = false;   // cue at abort
    int Alg = 0;                 // light-barrier polarity: 0 triggers on CTS on, 1 on CTS off
};
