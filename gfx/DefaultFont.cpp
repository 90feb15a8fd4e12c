// The built-in font lives in a library of its own, beside the generated data it is made from:
// the tool that generates the data links the rest of gfx and must not need the data itself.

#include "gfx/BitmapFont.h"
#include "gfx/DefaultFontData.h"
#include "gfx/ImageLoad.h"

#include <zlib.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace brelvo {

namespace {

enum class LoadState { NotTried, Loaded, Failed };

std::mutex g_defaultFontMutex;
std::unique_ptr<BitmapFont> g_defaultFont;
LoadState g_state = LoadState::NotTried;

bool Load() {
    void* buffer = std::malloc(kDefaultFontImageSize);
    if (!buffer)
        return false;
    uLongf size = kDefaultFontImageSize;
    if (uncompress(static_cast<Bytef*>(buffer), &size, kDefaultFontStream,
                   static_cast<uLong>(kDefaultFontStreamSize)) != Z_OK) {
        std::free(buffer);
        return false;
    }
    g_defaultFont = std::make_unique<BitmapFont>();
    return Succeeded(LoadImageFromMemory(*g_defaultFont, buffer, size)) &&
           Succeeded(BuildGlyphs(*g_defaultFont, CHARSET_FULL)) && g_defaultFont->GlyphCount() > 0;
}

} // namespace

BitmapFont* GetDefaultFont() {
    // The display asks for the font on one thread and text may be drawn on another; the first
    // request loads it exactly once.
    std::lock_guard lock(g_defaultFontMutex);
    if (g_state == LoadState::NotTried)
        g_state = Load() ? LoadState::Loaded : LoadState::Failed;
    return g_defaultFont.get();
}

int ReleaseDefaultFont() {
    std::lock_guard lock(g_defaultFontMutex);
    if (!g_defaultFont)
        return 0;
    g_defaultFont.reset();
    return 1;
}

} // namespace brelvo
