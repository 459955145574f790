#include "files/ShippedFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path InstalledFolder(const std::string& programFolder) {
    return (fs::path(programFolder) / ".." / "share" / "corralix").lexically_normal();
}

}  // namespace

std::vector<std::string> ShippedFolders(const std::string& programFolder) {
    return {programFolder, InstalledFolder(programFolder).string()};
}

std::string FindShippedFile(const std::string& name, const std::string& programFolder) {
    for (const std::string& folder : ShippedFolders(programFolder)) {
        const fs::path candidate = fs::path(folder) / name;
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) {
            return candidate.string();
        }
    }
    return {};
}

std::string ChooseDataFolder(const std::string& programFolder, const std::string& userDataFolder) {
    std::error_code error;
    if (!fs::is_directory(InstalledFolder(programFolder), error)) {
        const std::string probe =
            (fs::path(programFolder) / (".corralix-probe-" + std::to_string(::getpid()))).string();
        const int file = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (file >= 0) {
            ::close(file);
            ::unlink(probe.c_str());
            return programFolder;
        }
    }
    fs::create_directories(userDataFolder, error);  // a folder that cannot be made shows up
                                                    // when a file is written
    return userDataFolder;
}
