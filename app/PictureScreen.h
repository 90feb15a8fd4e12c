#pragma once

#include "archive/ArtworkIds.h"
#include "gfx/Surface.h"
#include "ui/Screen.h"

namespace brelvo {

// A screen that shows one picture from the archive at (0, 0) and reacts to nothing. The
// program uses it for the editor's state until the editor screen draws there itself: the
// editor's background, so that the program shows where the editor will be.
class PictureScreen final : public Screen {
public:
    // entry on the portrait screen, shortEntry on a screen less than 320 pixels high.
    PictureScreen(art::EntryId entry, art::EntryId shortEntry)
        : m_entry(entry), m_shortEntry(shortEntry) {}

    void Initialise(ResourceArchive& archive) override;
    void Draw(Surface& target) override;
    const Surface& Picture() const { return m_picture; }

private:
    art::EntryId m_entry;
    art::EntryId m_shortEntry;
    Surface m_picture;
};

} // namespace brelvo
