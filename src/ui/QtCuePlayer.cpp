#include "ui/QtCuePlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QSoundEffect>
#include <QUrl>
#include <filesystem>
#include <system_error>

#include "files/ShippedFiles.h"

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

}  // namespace

std::string ResolveCueFile(const std::string& name, const std::string& workingDir,
                           const std::string& programDir) {
    if (name.empty()) {
        return {};
    }
    const fs::path cue(name);
    if (cue.has_parent_path()) {
        return IsFile(cue) ? cue.string() : std::string();
    }
    const fs::path candidate = fs::path(workingDir) / cue;
    if (!workingDir.empty() && IsFile(candidate)) {
        return candidate.string();
    }
    return FindShippedFile(name, programDir);
}

QtCuePlayer::QtCuePlayer() = default;

QtCuePlayer::~QtCuePlayer() = default;

void QtCuePlayer::PlayCue(const std::string& fileName) {
    const std::string path = ResolveCueFile(fileName, QDir::currentPath().toStdString(),
                                            QCoreApplication::applicationDirPath().toStdString());
    if (path.empty()) {
        return;
    }
    auto& effect = effects_[path];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
    if (current_ != nullptr) {
        current_->stop();
    }
    current_ = effect.get();
    current_->play();
}
