#include "base/Result.h"

namespace brelvo {

const char* ResultText(HResult result) {
    switch (result) {
    case kOk:
        return "no error";
    case kErrInvalidArg:
        return "the name is not valid here";
    case kErrOutOfMemory:
        return "there is not enough memory";
    case kErrPathNotFound:
        return "the folder does not exist";
    case kErrAccessDenied:
        return "permission denied";
    case kErrDiskFull:
        return "the disk is full";
    case kErrFileTooLarge:
        return "the file is too large";
    case kErrNoPixels:
        return "the picture is empty";
    default:
        // kErrFail among them: the host gave a reason the program has no words for.
        return Succeeded(result) ? "no error" : "an unexpected error occurred";
    }
}

} // namespace brelvo
