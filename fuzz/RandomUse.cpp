#include "fuzz/RandomUse.h"

#include "app/App.h"
#include "gfx/BmpWriter.h"
#include "platform/PictureDecoder.h"
#include "platform/PngWriter.h"
#include "platform/VirtualKeys.h"
#include "ui/Shared.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace brelvo {
namespace {

namespace fs = std::filesystem;
using platform::WindowEvent;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out.flush());
}

// Every file below a folder with its size and bytes' hash, one line each, in name order.
std::string Listing(const fs::path& folder) {
    std::vector<std::string> lines;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::string bytes = it->is_regular_file() ? ReadAll(it->path()) : "";
        lines.push_back(fs::relative(it->path(), folder).string() + " " +
                        std::to_string(bytes.size()) + " " +
                        std::to_string(std::hash<std::string>{}(bytes)));
    }
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

// A large photo-like picture: smooth colour, so that its PNG stays small on disk while its
// pixels are many.
bool WriteLargePicture(const fs::path& path) {
    constexpr std::int32_t kWidth = 2400, kHeight = 1800;
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    for (std::int32_t y = 0; y < kHeight; ++y)
        for (std::int32_t x = 0; x < kWidth; ++x)
            pixels[static_cast<std::size_t>(y) * kWidth + x] =
                static_cast<std::uint16_t>((x * 31 / kWidth) << 11 | (y * 63 / kHeight) << 5 |
                                           ((x + y) * 31 / (kWidth + kHeight)));
    return Succeeded(
        platform::WriteRgb565PngFile(pixels.data(), kWidth, kHeight, kWidth * 2, path.string()));
}

// Whether the file is a whole BMP that decodes.
bool IsWholeBmp(const fs::path& path) {
    const std::string bytes = ReadAll(path);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    platform::Bitmap bitmap;
    return platform::SniffPictureFormat(data, bytes.size()) == platform::PictureFormat::Bmp &&
           Succeeded(platform::DecodeBmp(data, bytes.size(), bitmap));
}

} // namespace

bool UseRoot::Create(const std::string& base, const std::vector<std::string>& brokenSeeds,
                     std::string& error) {
    m_base = base;
    m_root = base + "/root";
    m_pristine = base + "/pristine";
    const fs::path root = m_root, outside = base + "/outside";
    std::error_code ec;
    fs::create_directories(root / "Pictures" / "Trip 2026", ec);
    fs::create_directories(root / "locked", ec);
    fs::create_directories(outside, ec);
    Surface picture;
    picture.Create(0, 90, 70);
    for (std::int32_t y = 0; y < 70; ++y)
        for (std::int32_t x = 0; x < 90; ++x)
            picture.GetPixels()[y * picture.Header().pitchBytes / 2 + x] =
                static_cast<Pixel>(x * 700 + y * 31);
    const char* const bmpNames[] = {"photo.bmp",         "Pictures/caf\xC3\xA9 na\xC3\xAFve.bmp",
                                    "Pictures/a[1].bmp", "Pictures/Trip 2026/UPPER.BMP",
                                    "locked/keep.bmp",   "-starts with a dash.bmp"};
    bool ok = true;
    for (const char* name : bmpNames)
        ok = ok && Succeeded(SaveBmpToHostFile(picture, (root / name).string()));
    ok = ok && Succeeded(SaveBmpToHostFile(picture, (outside / "outside.bmp").string()));
    ok = ok && WriteLargePicture(root / "Pictures" / "large photo.png");
    ok = ok && WriteAll(root / (std::string(200, 'n') + ".bmp"), "BM too short");
    for (const std::string& seed : brokenSeeds) {
        const std::string bytes = ReadAll(seed);
        const std::string name = fs::path(seed).filename().string();
        ok = ok && WriteAll(root / "Pictures" / name, bytes) &&
             WriteAll(root / "Pictures" / ("broken-" + name), bytes.substr(0, bytes.size() / 2));
    }
    fs::create_directory_symlink(outside, root / "link out", ec);
    if (!ok || ec) {
        error = "cannot lay out the device root in " + base;
        return false;
    }
    // Read-only for everyone: the owner's write bit is taken away, and, where a mount namespace
    // of this process's own can be had, the folder is also mounted read-only, which holds for
    // root too.
    ::chmod((root / "locked").c_str(), 0555);
    const std::string locked = (root / "locked").string();
    if (::unshare(CLONE_NEWNS) == 0 &&
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        ::mount(locked.c_str(), locked.c_str(), nullptr, MS_BIND, nullptr) == 0)
        ::mount(nullptr, locked.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr);
    fs::copy(root, m_pristine, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    m_outsideListing = Listing(outside);
    if (ec) {
        error = "cannot copy the device root: " + ec.message();
        return false;
    }
    return true;
}

UseRoot::~UseRoot() {
    if (m_base.empty())
        return;
    const std::string locked = m_root + "/locked";
    ::umount2(locked.c_str(), MNT_DETACH);
    ::chmod(locked.c_str(), 0755);
    std::error_code ec;
    fs::remove_all(m_base, ec);
}

std::string UseRoot::Check() const {
    std::vector<std::string> beside;
    for (const auto& entry : fs::directory_iterator(m_base))
        if (entry.path().filename() != "settings") // the program's own, XDG_CONFIG_HOME
            beside.push_back(entry.path().filename().string());
    std::sort(beside.begin(), beside.end());
    if (beside != std::vector<std::string>{"outside", "pristine", "root"} ||
        Listing(m_base + "/outside") != m_outsideListing)
        return "a file outside the device root changed";
    const fs::path root = m_root, pristine = m_pristine;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_symlink() || !it->is_regular_file())
            continue;
        const fs::path relative = fs::relative(it->path(), root);
        const fs::path old = pristine / relative;
        if (fs::exists(old) && ReadAll(old) == ReadAll(it->path()))
            continue;
        if (!IsWholeBmp(it->path()))
            return relative.string() + (fs::exists(old) ? " changed" : " appeared") +
                   " and is not a whole BMP";
    }
    return {};
}

// The read-only folder is put back file by file, where it could be written at all.
void UseRoot::Restore() const {
    std::error_code ec;
    const fs::path root = m_root, pristine = m_pristine;
    for (const auto& entry : fs::directory_iterator(root, ec))
        if (entry.path().filename() != "locked")
            fs::remove_all(entry.path(), ec);
    for (const auto& entry : fs::directory_iterator(root / "locked", ec))
        if (!fs::exists(pristine / "locked" / entry.path().filename()))
            fs::remove_all(entry.path(), ec);
    for (const auto& entry : fs::directory_iterator(pristine, ec))
        fs::copy(entry.path(), root / entry.path().filename(),
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                     fs::copy_options::overwrite_existing,
                 ec);
}

UseDriver::UseDriver(const std::string& programFolder) : m_frame(std::make_unique<Surface>()) {
    const ApplicationConfig config{.title = u"Brelvo", .frameRate = 30};
    m_app =
        std::make_unique<App>(config, AppOptions{.programFolder = programFolder, .startFile = {}});
    m_frame->Create(CREATE_CLEAR, 240, 320);
    m_started = Succeeded(m_app->OnInit(*m_frame));
    if (m_started)
        Frames(62);
}

UseDriver::~UseDriver() {
    if (m_app && m_app->Browser().IsLoading())
        m_app->Browser().WaitUntilIdle();
}

void UseDriver::Settle() {
    if (m_app->Browser().IsLoading())
        m_app->Browser().WaitUntilIdle();
    const std::int32_t s = GetState();
    if (s >= 0 && s < 32)
        m_statesSeen |= 1u << s;
    // Leaving the program brings the editor back: the use goes on.
    if (s == state::kExit)
        SetState(state::kEditor, 0);
}

void UseDriver::Frames(int count) {
    for (int i = 0; i < count; ++i) {
        m_app->Render(*m_frame, 0);
        Settle();
    }
}

void UseDriver::Deliver(int type, std::int32_t x, std::int32_t y, std::uint16_t key, char16_t c) {
    WindowEvent event{.type = static_cast<WindowEvent::Type>(type), .x = x, .y = y};
    event.key = key;
    event.character = c;
    event.keyData = 1;
    m_app->WindowProc(event);
    ++m_events;
    Settle();
}

void UseDriver::Play(const std::uint8_t* data, std::size_t size) {
    if (!m_started)
        return;
    std::size_t at = 0;
    const auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
    const auto x = [&] { return static_cast<std::int32_t>(next() * 240 / 256); };
    const auto y = [&] { return static_cast<std::int32_t>((next() << 8 | next()) * 320 / 65536); };
    using T = WindowEvent::Type;
    constexpr std::uint16_t kKeys[] = {platform::vk::kUp,
                                       platform::vk::kDown,
                                       platform::vk::kLeft,
                                       platform::vk::kRight,
                                       platform::vk::kEnter,
                                       platform::vk::kEscape,
                                       platform::vk::kSpace,
                                       platform::vk::kBackspace,
                                       platform::vk::kTab,
                                       platform::vk::kDelete,
                                       platform::vk::kF1,
                                       'Z',
                                       'X',
                                       'C',
                                       'N',
                                       'O',
                                       'S',
                                       'Q',
                                       'Y',
                                       'H',
                                       'M',
                                       'G',
                                       'T',
                                       'W'};
    const std::u16string typed = u"hmgztwsa9 .-_?*/\\:\"<>|[]\u00e9\u044f\u20ac\x08\x0d\x1b";
    while (at < size) {
        const int op = next() % 10;
        switch (op) {
        case 0:   // a tap
        case 7: { // a tap in the menu bar, where most commands begin
            const std::int32_t tx = x(), ty = op == 7 ? next() % 20 : y();
            Deliver(static_cast<int>(T::StylusDown), tx, ty, 0, 0);
            Deliver(static_cast<int>(T::StylusUp), tx, ty, 0, 0);
            break;
        }
        case 1: { // a drag
            std::int32_t dx = x(), dy = y();
            Deliver(static_cast<int>(T::StylusDown), dx, dy, 0, 0);
            for (int moves = next() % 12; moves > 0; --moves) {
                dx += static_cast<std::int8_t>(next()) / 4;
                dy += static_cast<std::int8_t>(next()) / 4;
                Deliver(static_cast<int>(T::StylusMove), dx, dy, 0, 0);
            }
            Deliver(static_cast<int>(T::StylusUp), dx, dy, 0, 0);
            break;
        }
        case 2: { // a key, with Ctrl or Shift held or not
            const std::uint8_t how = next();
            const std::uint16_t key = kKeys[how % std::size(kKeys)];
            const std::uint16_t held = how & 0x40   ? platform::vk::kControl
                                       : how & 0x80 ? platform::vk::kShift
                                                    : 0;
            if (held)
                Deliver(static_cast<int>(T::KeyDown), 0, 0, held, 0);
            Deliver(static_cast<int>(T::KeyDown), 0, 0, key, 0);
            Deliver(static_cast<int>(T::KeyUp), 0, 0, key, 0);
            if (held)
                Deliver(static_cast<int>(T::KeyUp), 0, 0, held, 0);
            break;
        }
        case 3: // typed characters
            for (int n = next() % 8 + 1; n > 0; --n)
                Deliver(static_cast<int>(T::Char), 0, 0, 0, typed[next() % typed.size()]);
            break;
        case 4:
        case 5: // frames: most animations want a few, a stroke's busy indicator more
            Frames(next() % 24 + 1);
            break;
        case 6: { // the wheel
            const std::int32_t wx = static_cast<std::int8_t>(next()) % 3;
            const std::int32_t wy = static_cast<std::int8_t>(next()) % 3;
            Deliver(static_cast<int>(T::Wheel), wx, wy, 0, 0);
            break;
        }
        case 8: { // a tap on the bottom row, where the screens keep their buttons
            const std::int32_t tx = x(), ty = 300 + next() % 20;
            Deliver(static_cast<int>(T::StylusDown), tx, ty, 0, 0);
            Deliver(static_cast<int>(T::StylusUp), tx, ty, 0, 0);
            break;
        }
        default: // the close box
            Deliver(static_cast<int>(T::Close), 0, 0, 0, 0);
            break;
        }
    }
    Frames(2);
}

} // namespace brelvo
