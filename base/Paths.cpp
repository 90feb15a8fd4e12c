#include "base/Paths.h"

namespace brelvo {

namespace {
constexpr char16_t kSeparator = u'\\';
}

void AppendFolder(WString& path, const WString& name) {
    path += name;
    path += kSeparator;
}

void ParentFolder(WString& path) {
    const int length = path.GetLength();
    if (length == 0 || path[length - 1] != kSeparator)
        return;
    const int parentEnd = path.Left(length - 1).ReverseFind(kSeparator);
    if (parentEnd >= 0)
        path = path.Left(parentEnd + 1);
}

} // namespace brelvo
