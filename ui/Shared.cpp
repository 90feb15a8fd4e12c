#include "ui/Shared.h"

namespace brelvo {

Point LayoutOffset;
std::atomic<bool> IgnoreNextTap{false};
std::recursive_mutex globalLock;
InterfaceFontSet InterfaceFonts;
Surface StartupPicture;
Surface TitlePicture;
StateMachine ScreenStates;

ScreenContext& ProgramScreenContext() {
    static ScreenContext context(globalLock, InterfaceFonts, ScreenStates, LayoutOffset,
                                 IgnoreNextTap);
    return context;
}

} // namespace brelvo
