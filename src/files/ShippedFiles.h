#pragma once

#include <string>
#include <vector>

// Where the files shipped with the program (cues, reasons list, help page, logo) are found:
// beside the program file first (a build folder, a folder copied to a stick), then in
// ../share/corralix relative to it (the installed package).
std::vector<std::string> ShippedFolders(const std::string& programFolder);

// The first shipped folder holding a regular file of that name; empty when none does.
std::string FindShippedFile(const std::string& name, const std::string& programFolder);

// Where the program writes what it keeps (backup, reasons, reports, beam log): the program folder
// when files can be created in it and the program is not installed, else the per-user data
// folder, which is created when missing. An installed program never writes beside itself, not
// even as root.
std::string ChooseDataFolder(const std::string& programFolder, const std::string& userDataFolder);
