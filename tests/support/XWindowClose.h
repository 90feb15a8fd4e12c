#pragma once

#include <string>

namespace brelvo::test {

// Asks an X window to close the way a window manager's close button does (a WM_DELETE_WINDOW
// client message). Kept apart from the tests because Xlib's macros clash with Google Test's.
bool SendWindowClose(const std::string& display, unsigned long window);

} // namespace brelvo::test
