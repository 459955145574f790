#pragma once

#include <string>

// Hands a file to the desktop's program for its type (a web page to the browser). False when
// nothing could take it, e.g. no browser or no desktop: the caller tells the operator.
// UI thread only.
bool OpenInDesktop(const std::string& path);
