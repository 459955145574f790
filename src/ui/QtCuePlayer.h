#pragma once

#include <map>
#include <memory>
#include <string>

#include "timing/TimingPorts.h"

class QSoundEffect;

// Where a cue file is found: a name with a folder is taken as it is; a bare name is looked for
// in the working directory first and then where the shipped files are. "" when it is nowhere.
std::string ResolveCueFile(const std::string& name, const std::string& workingDir,
                           const std::string& programDir);

// Plays WAV cues asynchronously by file name. A cue cuts off the one playing; a missing or
// unreadable file plays nothing and reports nothing.
class QtCuePlayer : public ICuePlayer {
public:
    QtCuePlayer();
    ~QtCuePlayer() override;
    QtCuePlayer(const QtCuePlayer&) = delete;
    QtCuePlayer& operator=(const QtCuePlayer&) = delete;

    // Runs on the user-interface thread only; returns at once.
    void PlayCue(const std::string& fileName) override;

private:
    // One effect per resolved file, loaded on its first cue and kept for low latency after.
    std::map<std::string, std::unique_ptr<QSoundEffect>> effects_;
    QSoundEffect* current_ = nullptr;
};
