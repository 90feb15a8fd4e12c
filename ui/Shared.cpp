#include "ui/Shared.h"

namespace brelvo {

Point LayoutOffset;
std::atomic<bool> IgnoreNextTap{false};
std::recursive_mutex globalLock;
std::array<BitmapFont, kInterfaceFontCount> InterfaceFonts;
Surface StartupPicture;
Surface TitlePicture;
StateMachine ScreenStates;

} // namespace brelvo
