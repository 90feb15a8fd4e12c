#pragma once

#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "gfx/Blit.h"
#include "screens/EditorScreen.h"
#include "tests/support/TestScreenContext.h"

#include <string>

namespace brelvo::test {

// The frames the program shows from the real artwork: the start-up picture, and the editor's
// first frame drawn over it by an editor screen of the test's own. The program's frames must be
// exactly these, whichever way they reach the screen.
struct ExpectedFrames {
    Surface startup;
    Surface editor;
};

inline bool DrawExpectedFrames(const std::string& archivePath, ExpectedFrames& out) {
    ResourceArchive archive(FromUtf8(archivePath).c_str());
    Surface startup;
    if (!archive.IsOpen() || !LoadArtwork(archive, art::kStartupPicture, startup))
        return false;
    TestScreenContext shared;
    EditorScreen editor(shared.context, EditorScreen::Neighbours{});
    editor.Initialise(archive);
    editor.ResetPaste();

    out.startup.Create(CREATE_CLEAR, 240, 320);
    Blit(out.startup, 0, 0, startup, nullptr, BLT_KEYED);
    out.editor.Create(CREATE_CLEAR, 240, 320);
    Blit(out.editor, 0, 0, out.startup);
    editor.Draw(out.editor);
    return true;
}

} // namespace brelvo::test
