#pragma once

#include <string>

namespace brelvo::platform {

// The folder holding the running executable, with its trailing "/", found through
// /proc/self/exe so that symbolic links to the program lead to its real home, where its
// resource archive lies. Empty when the link cannot be read.
std::string ProgramFolder();

} // namespace brelvo::platform
