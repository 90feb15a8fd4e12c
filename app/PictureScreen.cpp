#include "app/PictureScreen.h"

#include "archive/ResourceArchive.h"
#include "gfx/Blit.h"
#include "gfx/ImageLoad.h"
#include "ui/Shared.h"

namespace brelvo {

void PictureScreen::Initialise(ResourceArchive& archive) {
    const art::EntryId entry = LayoutOffset.y != 0 ? m_shortEntry : m_entry;
    void* data = nullptr;
    std::uint32_t size = 0;
    // A missing entry leaves the picture empty, and an empty picture draws nothing.
    m_picture.Release();
    if (archive.GetDataById(entry, &data, &size))
        LoadImageFromMemory(m_picture, data, size);
}

void PictureScreen::Draw(Surface& target) {
    if (m_picture.GetPixels())
        Blit(target, 0, 0, m_picture);
}

} // namespace brelvo
