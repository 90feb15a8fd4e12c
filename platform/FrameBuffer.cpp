#include "platform/FrameBuffer.h"

#include "base/Options.h"
#include "platform/Rgb565.h"

#include <fcntl.h>
#include <linux/fb.h>
#include <linux/kd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

namespace brelvo::platform {
namespace {

constexpr std::int32_t kScreenShort = 240;
constexpr std::int32_t kScreenLong = 320;

bool IsRgb565(const FrameBufferFormat& f) {
    return f.bitsPerPixel == 16 && f.red.offset == 11 && f.red.length == 5 && f.green.offset == 5 &&
           f.green.length == 6 && f.blue.offset == 0 && f.blue.length == 5 && f.transp.length == 0;
}

std::uint32_t Place(std::uint8_t value, const ColorChannel& channel) {
    if (channel.length == 0)
        return 0;
    return static_cast<std::uint32_t>(value >> (8 - channel.length)) << channel.offset;
}

// A device pixel in the buffer's own layout; an alpha channel, where there is one, is opaque.
std::uint32_t Pack(std::uint16_t pixel, const FrameBufferFormat& f) {
    const Rgb888 c = WidenRgb565(pixel);
    std::uint32_t value = Place(c.r, f.red) | Place(c.g, f.green) | Place(c.b, f.blue);
    if (f.transp.length > 0)
        value |= ((1u << f.transp.length) - 1) << f.transp.offset;
    return value;
}

// Pixels are in the machine's byte order, little-endian on the boards such panels sit on; the
// three-byte ones cannot be stored as one value.
void Store(std::uint8_t* at, std::uint32_t value, std::uint32_t bytes) {
    for (std::uint32_t i = 0; i < bytes; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

ColorChannel Channel(const fb_bitfield& field) {
    return {field.offset, field.length};
}

class TtyConsole final : public Console {
public:
    TtyConsole(int fd, bool owned) : m_fd(fd), m_owned(owned) {}
    ~TtyConsole() override {
        if (m_owned)
            ::close(m_fd);
    }
    bool GetMode(int& mode) override {
        int value = 0;
        if (::ioctl(m_fd, KDGETMODE, &value) != 0)
            return false;
        mode = value == KD_GRAPHICS ? 1 : 0;
        return true;
    }
    // Keys typed on the console's keyboard while the picture covered it are thrown away on the
    // way back to text, so that the shell does not run them as a command line.
    bool SetMode(int mode) override {
        if (mode != 1)
            ::tcflush(m_fd, TCIFLUSH);
        return ::ioctl(m_fd, KDSETMODE, mode == 1 ? KD_GRAPHICS : KD_TEXT) == 0;
    }

private:
    int m_fd;
    bool m_owned;
};

} // namespace

bool ParseFrameBufferGeometry(std::string_view text, FrameBufferFormat& out, std::string& error) {
    FrameBufferFormat f;
    std::int32_t sides[3] = {};
    if (!ReadNumberList(text, 'x', sides, 3) ||
        std::any_of(std::begin(sides), std::end(sides),
                    [](std::int32_t v) { return v <= 0 || v > 100000; })) {
        error = "--fb-geometry needs WIDTHxHEIGHTxDEPTH, for example 240x320x16, not '" +
                std::string(text) + "'";
        return false;
    }
    f.width = sides[0];
    f.height = sides[1];
    const std::int32_t depth = sides[2];
    f.bitsPerPixel = static_cast<std::uint32_t>(depth);
    f.lineLength = static_cast<std::uint32_t>(f.width) * ((f.bitsPerPixel + 7) / 8);
    if (depth == 16) {
        f.red = {11, 5};
        f.green = {5, 6};
        f.blue = {0, 5};
    } else {
        f.red = {16, 8};
        f.green = {8, 8};
        f.blue = {0, 8};
    }
    out = f;
    return true;
}

std::unique_ptr<Console> OpenConsole() {
    int mode = 0;
    if (::ioctl(STDIN_FILENO, KDGETMODE, &mode) == 0)
        return std::make_unique<TtyConsole>(STDIN_FILENO, false);
    const int fd = ::open("/dev/tty0", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    if (::ioctl(fd, KDGETMODE, &mode) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<TtyConsole>(fd, true);
}

std::unique_ptr<FrameBuffer> OpenFrameBuffer(const FrameBufferOptions& options,
                                             std::string& error) {
    std::unique_ptr<FrameBuffer> fb(new FrameBuffer);
    const auto fail = [&](const std::string& why) {
        error = options.path + ": " + why;
        return nullptr;
    };
    // With a geometry given, a file that does not exist yet is made to stand for the panel.
    fb->m_fd =
        ::open(options.path.c_str(), O_RDWR | O_CLOEXEC | (options.fileFormat ? O_CREAT : 0), 0644);
    if (fb->m_fd < 0)
        return fail(std::strerror(errno));
    struct stat info {};
    if (::fstat(fb->m_fd, &info) != 0)
        return fail(std::strerror(errno));
    FrameBufferFormat& f = fb->m_format;
    std::size_t mapSize = 0;
    if (S_ISREG(info.st_mode)) {
        if (!options.fileFormat)
            return fail("a regular file stands for a frame buffer only with --fb-geometry "
                        "WIDTHxHEIGHTxDEPTH");
        f = *options.fileFormat;
        mapSize = static_cast<std::size_t>(f.lineLength) * static_cast<std::size_t>(f.height);
    } else {
        fb_var_screeninfo var{};
        fb_fix_screeninfo fix{};
        if (::ioctl(fb->m_fd, FBIOGET_VSCREENINFO, &var) != 0 ||
            ::ioctl(fb->m_fd, FBIOGET_FSCREENINFO, &fix) != 0)
            return fail("not a frame-buffer device");
        if (fix.visual != FB_VISUAL_TRUECOLOR)
            return fail("a frame buffer with a colour palette, which Brelvo cannot draw on");
        f.width = static_cast<std::int32_t>(var.xres);
        f.height = static_cast<std::int32_t>(var.yres);
        f.bitsPerPixel = var.bits_per_pixel;
        f.lineLength = fix.line_length;
        f.red = Channel(var.red);
        f.green = Channel(var.green);
        f.blue = Channel(var.blue);
        f.transp = Channel(var.transp);
        fb->m_visible = static_cast<std::size_t>(var.yoffset) * fix.line_length +
                        static_cast<std::size_t>(var.xoffset) * (var.bits_per_pixel / 8);
        mapSize = fix.smem_len;
    }
    if (f.bitsPerPixel != 16 && f.bitsPerPixel != 24 && f.bitsPerPixel != 32)
        return fail("a depth of " + std::to_string(f.bitsPerPixel) +
                    " bits per pixel, which Brelvo cannot draw (it draws 16, 24 or 32)");
    for (const ColorChannel& c : {f.red, f.green, f.blue, f.transp})
        if (c.length > 8 || c.offset + c.length > f.bitsPerPixel)
            return fail("colour channels Brelvo cannot draw (more than 8 bits, or outside the "
                        "pixel)");
    const std::size_t pixelBytes = f.bitsPerPixel / 8;
    const std::size_t rowBytes = static_cast<std::size_t>(f.width) * pixelBytes;
    const std::size_t needed =
        fb->m_visible + static_cast<std::size_t>(f.height - 1) * f.lineLength + rowBytes;
    if (f.width <= 0 || f.height <= 0 || f.lineLength < rowBytes)
        return fail("reports a geometry that is not a screen");
    mapSize = std::max(mapSize, needed);

    fb->m_rotation = options.rotation >= 0 ? options.rotation : (f.width > f.height ? 90 : 0);
    const bool turned = fb->m_rotation % 180 != 0;
    fb->m_screenWidth = turned ? kScreenLong : kScreenShort;
    fb->m_screenHeight = turned ? kScreenShort : kScreenLong;
    if (f.width < fb->m_screenWidth || f.height < fb->m_screenHeight)
        return fail("the panel is " + std::to_string(f.width) + "x" + std::to_string(f.height) +
                    " pixels; Brelvo needs " + std::to_string(fb->m_screenWidth) + "x" +
                    std::to_string(fb->m_screenHeight) +
                    (turned ? "" : " upright, or 320x240 turned with --rotate 90 or 270"));
    fb->m_layout = FitScreen(f.width, f.height, fb->m_screenWidth, fb->m_screenHeight);

    if (S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) < mapSize &&
        ::ftruncate(fb->m_fd, static_cast<off_t>(mapSize)) != 0)
        return fail("cannot be made " + std::to_string(mapSize) +
                    " bytes long: " + std::strerror(errno));
    void* map = ::mmap(nullptr, mapSize, PROT_READ | PROT_WRITE, MAP_SHARED, fb->m_fd, 0);
    if (map == MAP_FAILED)
        return fail(std::string("cannot be mapped: ") + std::strerror(errno));
    fb->m_map = static_cast<std::uint8_t*>(map);
    fb->m_mapSize = mapSize;
    fb->m_plain = IsRgb565(f) && fb->m_layout.scale == 1;
    if (!fb->m_plain) {
        fb->m_colours.resize(65536);
        for (std::uint32_t p = 0; p < 65536; ++p)
            fb->m_colours[p] = Pack(static_cast<std::uint16_t>(p), f);
    }
    const std::size_t pixels =
        static_cast<std::size_t>(fb->m_screenWidth) * static_cast<std::size_t>(fb->m_screenHeight);
    fb->m_staging.assign(pixels, 0);
    fb->m_shown.assign(pixels, 0);
    fb->m_console = options.console;
    return fb;
}

FrameBuffer::~FrameBuffer() {
    RestoreConsole();
    if (m_map)
        ::munmap(m_map, m_mapSize);
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FrameBuffer::GetProperties(DirectDisplayProperties& out) {
    out.width = static_cast<std::uint32_t>(m_screenWidth);
    out.height = static_cast<std::uint32_t>(m_screenHeight);
    out.xPitch = 2;
    out.yPitch = m_screenWidth * 2;
    out.bitsPerPixel = 16;
    out.formatFlags = 0;
    return m_map != nullptr;
}

bool FrameBuffer::Open() {
    if (!m_map)
        return false;
    // The border around a smaller screen is black, and so is the screen until the first frame.
    const std::uint32_t black = Pack(0, m_format);
    const std::uint32_t pixelBytes = m_format.bitsPerPixel / 8;
    for (std::int32_t y = 0; y < m_format.height; ++y) {
        std::uint8_t* row = m_map + m_visible + static_cast<std::size_t>(y) * m_format.lineLength;
        for (std::int32_t x = 0; x < m_format.width; ++x)
            Store(row + static_cast<std::size_t>(x) * pixelBytes, black, pixelBytes);
    }
    m_shownValid = false;
    int mode = 0;
    if (m_console && m_consoleModeToRestore.load() < 0 && m_console->GetMode(mode) && mode != 1 &&
        m_console->SetMode(1))
        m_consoleModeToRestore.store(mode);
    return true;
}

bool FrameBuffer::Close() {
    RestoreConsole();
    return true;
}

void FrameBuffer::RestoreConsole() {
    const int mode = m_consoleModeToRestore.exchange(-1);
    if (mode >= 0 && m_console)
        m_console->SetMode(mode);
}

std::uint8_t* FrameBuffer::BeginDraw() {
    return m_map ? reinterpret_cast<std::uint8_t*>(m_staging.data()) : nullptr;
}

// Only the rows that changed since the last frame reach the panel: many small panels send every
// written page of their memory over a slow bus, so a still picture should cost no writes at all.
void FrameBuffer::EndDraw() {
    if (!m_map)
        return;
    const std::size_t width = static_cast<std::size_t>(m_screenWidth);
    for (std::int32_t y = 0; y < m_screenHeight; ++y) {
        const std::uint16_t* row = m_staging.data() + static_cast<std::size_t>(y) * width;
        std::uint16_t* shown = m_shown.data() + static_cast<std::size_t>(y) * width;
        if (m_shownValid && std::memcmp(row, shown, width * 2) == 0)
            continue;
        std::memcpy(shown, row, width * 2);
        WriteRow(y, row);
    }
    m_shownValid = true;
}

// A screen row becomes scale device rows of squares of scale x scale pixels: the first is written,
// the others are copies of it. A plain RGB 5-6-5 buffer at scale 1 takes the row as it is; any
// other gets each pixel from the table of all 65536 colours made when it opened.
void FrameBuffer::WriteRow(std::int32_t y, const std::uint16_t* row) {
    const std::uint32_t pixelBytes = m_format.bitsPerPixel / 8;
    const std::int32_t scale = m_layout.scale;
    const std::size_t rowBytes = static_cast<std::size_t>(m_layout.width) * pixelBytes;
    std::uint8_t* first = m_map + m_visible +
                          static_cast<std::size_t>(m_layout.top + y * scale) * m_format.lineLength +
                          static_cast<std::size_t>(m_layout.left) * pixelBytes;
    if (m_plain) {
        std::memcpy(first, row, rowBytes);
        return;
    }
    std::uint8_t* out = first;
    for (std::int32_t x = 0; x < m_screenWidth; ++x) {
        const std::uint32_t value = m_colours[row[x]];
        for (std::int32_t i = 0; i < scale; ++i, out += pixelBytes) {
            if (pixelBytes == 4) {
                std::memcpy(out, &value, 4);
            } else if (pixelBytes == 2) {
                const auto two = static_cast<std::uint16_t>(value);
                std::memcpy(out, &two, 2);
            } else {
                Store(out, value, pixelBytes);
            }
        }
    }
    for (std::int32_t i = 1; i < scale; ++i)
        std::memcpy(first + static_cast<std::size_t>(i) * m_format.lineLength, first, rowBytes);
}

} // namespace brelvo::platform
