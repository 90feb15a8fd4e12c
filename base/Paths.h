#pragma once

#include "base/WString.h"

namespace brelvo {

// Folder paths as the open and save screens navigate them: backslash separators, and every
// folder path ends in a backslash, so a file name can be appended directly.

// Appends the folder name and the closing backslash.
void AppendFolder(WString& path, const WString& name);

// Moves a folder path up by one folder. A path that does not end in a backslash, the root "\"
// and a bare drive such as "C:\" have no parent here and are left as they are.
void ParentFolder(WString& path);

} // namespace brelvo
