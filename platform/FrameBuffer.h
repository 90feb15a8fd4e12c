#pragma once

#include "platform/DirectDisplay.h"
#include "platform/WindowLayout.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brelvo::platform {

// Where one colour channel lies in a frame-buffer pixel.
struct ColorChannel {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// What a frame buffer is: its visible size in pixels, its depth, the bytes from one row to the
// next and the place of each colour in a pixel (little-endian, as the device stores it).
struct FrameBufferFormat {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t lineLength = 0;
    ColorChannel red, green, blue, transp;
};

// Reads the geometry of a regular file that stands for a frame buffer: "WxHxD", rows packed;
// depth 16 is RGB 5-6-5, 24 is blue, green, red bytes and 32 is XRGB, all little-endian. Any
// other depth is read as given and refused when the frame buffer opens, as a device's would be.
bool ParseFrameBufferGeometry(std::string_view text, FrameBufferFormat& out, std::string& error);

// The virtual console behind a panel. While the program draws, the console is put into graphics
// mode, so that it neither draws its text and cursor over the picture nor wakes the screen
// blanker; the mode it had is always put back.
class Console {
public:
    virtual ~Console() = default;
    // The console's mode: 0 text, 1 graphics (the kernel's KD_TEXT and KD_GRAPHICS).
    virtual bool GetMode(int& mode) = 0;
    virtual bool SetMode(int mode) = 0;
};

// The console the program runs on: its standard input when that is a virtual console, else the
// foreground one (/dev/tty0); null where there is none (a terminal window, ssh, a service).
std::unique_ptr<Console> OpenConsole();

struct FrameBufferOptions {
    // A frame-buffer device (/dev/fbN), or a regular file standing for one.
    std::string path;
    // The regular file's geometry (a missing file is created); a device reports its own.
    std::optional<FrameBufferFormat> fileFormat;
    // Quarter turns of the picture, clockwise, in degrees: 0, 90, 180 or 270; -1 turns it (90) on
    // a panel wider than high and keeps it upright on any other.
    int rotation = -1;
    // Put into graphics mode while the frame buffer is open for drawing; may be null.
    Console* console = nullptr;
};

// A Linux frame buffer as the program's direct display. The device screen (240 x 320, or 320 x
// 240 when turned) is shown centred at the largest whole scale that fits the panel. The program
// draws each frame into a 16-bit frame of the screen's size; EndDraw puts the rows that changed on
// the panel, as they are into a 16-bit RGB 5-6-5 buffer at scale 1, converted and scaled into
// any other (a deeper buffer, another channel order, a larger scale).
class FrameBuffer final : public DirectDisplay {
public:
    ~FrameBuffer() override;
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    // Quarter turns of the picture, clockwise, in degrees.
    int Rotation() const { return m_rotation; }
    std::int32_t PanelWidth() const { return m_format.width; }
    std::int32_t PanelHeight() const { return m_format.height; }
    // Where the device screen lies on the panel.
    const WindowLayout& Layout() const { return m_layout; }

    // The screen as the program draws it: 240 x 320, or 320 x 240 when turned a quarter.
    bool GetProperties(DirectDisplayProperties& out) override;
    // Clears the panel and puts the console into graphics mode.
    bool Open() override;
    // Puts the console's mode back.
    bool Close() override;
    std::uint8_t* BeginDraw() override;
    void EndDraw() override;

    // Any thread, at any time: the console's mode back as it was (also done by Close and on
    // destruction). For a program that must end at once.
    void RestoreConsole();

private:
    friend std::unique_ptr<FrameBuffer> OpenFrameBuffer(const FrameBufferOptions&, std::string&);
    FrameBuffer() = default;

    void WriteRow(std::int32_t y, const std::uint16_t* row);

    FrameBufferFormat m_format;
    int m_rotation = 0;
    WindowLayout m_layout;
    std::int32_t m_screenWidth = 0;
    std::int32_t m_screenHeight = 0;
    int m_fd = -1;
    std::uint8_t* m_map = nullptr;
    std::size_t m_mapSize = 0;
    // The first visible pixel in the mapping (a device may show a panned part of its memory).
    std::size_t m_visible = 0;
    // The frame being drawn, and the one on the panel (valid once a frame has been shown since
    // the panel was cleared).
    std::vector<std::uint16_t> m_staging;
    std::vector<std::uint16_t> m_shown;
    bool m_shownValid = false;
    // A 16-bit RGB 5-6-5 buffer shown at scale 1, which takes the program's rows as they are.
    bool m_plain = false;
    std::vector<std::uint32_t> m_colours; // otherwise each RGB565 colour as a device pixel

    Console* m_console = nullptr;
    std::atomic<int> m_consoleModeToRestore{-1};
};

// Opens and maps the frame buffer and lays the screen out on it. Null with a message naming the
// path for a file that cannot be opened or mapped, is no frame buffer, has a depth other than 16,
// 24 or 32 bits or colour channels of more than 8 bits, or is too small for the screen.
std::unique_ptr<FrameBuffer> OpenFrameBuffer(const FrameBufferOptions& options, std::string& error);

} // namespace brelvo::platform
