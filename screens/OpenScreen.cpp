#include "screens/OpenScreen.h"

#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "base/Paths.h"
#include "base/WString.h"
#include "gfx/Blit.h"
#include "gfx/ImageLoad.h"
#include "gfx/Shapes.h"
#include "gfx/TransformBlit.h"
#include "platform/DeviceFiles.h"
#include "platform/LatencyTrace.h"
#include "screens/EditorScreen.h"
#include "screens/Layout.h"
#include "ui/StateMachine.h"

#include <algorithm>
#include <cstdio>

namespace brelvo {

namespace {

using namespace layout;

constexpr std::size_t kListFont = 0;
constexpr Color kRowFrame = 0x585858;
constexpr Color kTrackGrey = 0xC7C7C7;
constexpr Color kWhite = 0xFFFFFF;
constexpr std::int32_t kSwitchFrames = 20;
constexpr std::int32_t kThumbnailBoxWidth = 115;
constexpr std::int32_t kThumbnailBoxHeight = 272;
constexpr Point kThumbnailCentre(177, 160);
constexpr std::int32_t kTrackTop = 62;
constexpr std::int32_t kTrackBottom = 275;
constexpr std::int32_t kBarWidth = 12; // the list's tappable width ends this far before the bar
constexpr std::uint16_t kEnter = 0x0D;
constexpr std::uint16_t kF1 = 0x70;
constexpr std::uint16_t kF2 = 0x71;
// The formats "all formats" lists, in the order of their groups.
constexpr const char16_t* kAllPatterns[] = {u"*.bmp", u"*.png", u"*.jpg", u"*.gif"};
constexpr const char16_t* kAllFormats = u"all formats";

} // namespace

OpenScreen::OpenScreen(ScreenContext& context, EditorScreen& editor)
    : m_context(context), m_editor(editor), m_loader([this] { Loader(); }) {}

OpenScreen::~OpenScreen() {
    {
        std::lock_guard hold(m_jobLock);
        m_stop = true;
    }
    m_jobChanged.notify_all();
    m_loader.join();
}

void OpenScreen::ThumbnailSize(std::int32_t width, std::int32_t height, std::int32_t offsetY,
                               std::int32_t& outWidth, std::int32_t& outHeight) {
    const double s = std::min(static_cast<double>(kThumbnailBoxWidth) / width,
                              static_cast<double>(kThumbnailBoxHeight - offsetY) / height);
    // A very long picture would round a side down to nothing.
    outWidth = std::max(1, static_cast<std::int32_t>(width * s));
    outHeight = std::max(1, static_cast<std::int32_t>(height * s));
}

std::int32_t OpenScreen::WindowHeight() const {
    return kBrowserList.bottom - kBrowserList.top + 1 - m_context.OffsetY();
}

Rect OpenScreen::OpenRect() const {
    return kOpenButton.Translated(0, -m_context.OffsetY());
}

Rect OpenScreen::CancelRect() const {
    return kBrowserCancelButton.Translated(0, -m_context.OffsetY());
}

void OpenScreen::Initialise(ResourceArchive& archive) {
    const std::int32_t d = m_context.OffsetY();
    LoadArtwork(archive, d != 0 ? art::kBrowserBackgroundShort : art::kBrowserBackground,
                m_background);
    LoadArtwork(archive, art::kFolderIcon, m_folderIcon);
    LoadArtwork(archive, art::kFileIcon, m_fileIcon);
    LoadArtwork(archive, art::kParentIcon, m_parentIcon);
    LoadArtwork(archive, art::kOpenButtonPressed, m_openPressed);
    LoadArtwork(archive, art::kCancelButtonPressed, m_cancelPressed);

    Menu& menu = m_filterBar.SetUp(kFilterHeader, kMenuSpeed, kFilterMenu);
    LoadArtwork(archive, art::kFilterMenuPanel, menu.PanelImage());
    menu.SetFeedbackStyle(Menu::kFrame);
    for (std::size_t i = 0; i < kFilterItems.size(); ++i)
        menu.AddItem(kFilterItems[i], [this, i] { SetFilter(kFilterTexts[i]); });

    m_bar.TrackImage().Create(0, 11, 500);
    FillRect(m_bar.TrackImage(), nullptr, kTrackGrey);
    LoadArtwork(archive, art::kListThumb, m_bar.ThumbImage());
    m_bar.SetTrack(kBrowserTrackX, kTrackTop, kTrackBottom - d);
    const Point down(kBrowserDownArrowAt.x, kBrowserDownArrowAt.y - d);
    m_bar.UpArrow().Set(kBrowserUpArrowAt, Rect(kBrowserUpArrowAt.x, kBrowserUpArrowAt.y,
                                                kBrowserUpArrowAt.x + 9, kBrowserUpArrowAt.y + 19));
    m_bar.DownArrow().Set(down, Rect(down.x, down.y, down.x + 9, down.y + 19));
    LoadArtwork(archive, art::kListUpArrow, m_bar.UpArrow().NormalImage());
    LoadArtwork(archive, art::kListUpArrow, m_bar.UpArrow().PressedImage());
    LoadArtwork(archive, art::kListDownArrow, m_bar.DownArrow().NormalImage());
    LoadArtwork(archive, art::kListDownArrow, m_bar.DownArrow().PressedImage());

    m_listPart.Create(0, kBrowserList.right - kBrowserList.left + 1, WindowHeight());
    Scan();
    m_selected = 0;
    m_cancelled = m_opening = m_rescanRequested = false;
}

void OpenScreen::Reset() {
    m_cancelled = false;
    m_opening = false;
    m_rescanRequested = true;
    m_message.clear();
}

std::int32_t OpenScreen::RowCount() const {
    return static_cast<std::int32_t>(m_parents.size() + m_folders.size() + m_files.size());
}

OpenScreen::Row OpenScreen::KindOf(std::int32_t row) const {
    const auto p = static_cast<std::int32_t>(m_parents.size());
    const auto f = static_cast<std::int32_t>(m_folders.size());
    if (row < 0 || row >= RowCount())
        return Row::None;
    if (row < p)
        return Row::Parent;
    return row < p + f ? Row::Folder : Row::File;
}

std::u16string OpenScreen::NameOf(std::int32_t row) const {
    const auto p = static_cast<std::int32_t>(m_parents.size());
    const auto f = static_cast<std::int32_t>(m_folders.size());
    switch (KindOf(row)) {
    case Row::None:
        return {};
    case Row::Parent:
        return m_parents[static_cast<std::size_t>(row)];
    case Row::Folder:
        return m_folders[static_cast<std::size_t>(row - p)];
    case Row::File:
        return m_files[static_cast<std::size_t>(row - p - f)];
    }
    return {};
}

void OpenScreen::Scan() {
    m_parents.clear();
    m_folders.clear();
    m_files.clear();
    if (m_folder != u"\\")
        m_parents.push_back(u"..");
    platform::FolderContents contents;
    platform::ReadDeviceFolder(m_folder.c_str(), contents);
    m_folders = std::move(contents.folders);
    // Grouped by format, each group in name order.
    for (const char16_t* pattern : kAllPatterns) {
        if (m_filter != kAllFormats && m_filter != pattern)
            continue;
        for (const std::u16string& name : contents.files) {
            if (platform::MatchesPattern(name, pattern))
                m_files.push_back(name);
        }
    }
    // Every rescan starts at the top with nothing on show.
    m_selected = 0;
    m_bar.SetOffset(0);
    m_thumbnail.Release();
    m_thumbnailName.clear();
    m_message.clear();
}

void OpenScreen::SetFilter(const char16_t* filter) {
    m_filter = filter;
    Scan();
}

void OpenScreen::SelectionChanged() {
    m_message.clear();
    if (KindOf(m_selected) == Row::File) {
        m_folderChanged = false;
        RequestThumbnail(m_folder + NameOf(m_selected));
    } else {
        m_thumbnail.Release();
        m_thumbnailName.clear();
    }
}

void OpenScreen::RequestThumbnail(const std::u16string& path) {
    if (path == m_thumbnailName && m_thumbnail.GetPixels())
        return; // already on show
    {
        std::lock_guard hold(m_jobLock);
        if (m_job == Job::Open)
            return;
        m_job = Job::Thumbnail;
        m_jobPath = path;
        ++m_jobNumber;
    }
    m_jobChanged.notify_all();
}

void OpenScreen::OpenPictureFile(const std::u16string& devicePath, bool report) {
    {
        std::lock_guard hold(m_jobLock);
        m_job = Job::Open;
        m_jobPath = devicePath;
        m_jobReport = report;
        ++m_jobNumber;
    }
    m_jobChanged.notify_all();
}

void OpenScreen::OpenSelected() {
    m_opening = true;
    m_folderChanged = true;
    if (!m_chosenPath.empty())
        OpenPictureFile(m_chosenPath);
}

void OpenScreen::WaitUntilIdle() {
    std::unique_lock hold(m_jobLock);
    m_jobChanged.wait(hold, [this] { return m_job == Job::None && !m_working; });
}

bool OpenScreen::IsLoading() {
    std::lock_guard hold(m_jobLock);
    return m_job != Job::None || m_working;
}

void OpenScreen::Loader() {
    std::unique_lock hold(m_jobLock);
    while (true) {
        m_jobChanged.wait(hold, [this] { return m_stop || m_job != Job::None; });
        if (m_stop)
            return;
        const Job job = m_job;
        const std::u16string path = m_jobPath;
        const std::uint64_t number = m_jobNumber;
        const bool report = m_jobReport;
        m_job = Job::None;
        m_working = true;
        hold.unlock();

        // The decoder and the scaling run without any lock the frames need.
        const std::int64_t started = platform::latency::NowNs();
        Surface picture;
        const bool decoded =
            Succeeded(LoadPictureFile(picture, WString(path.c_str()))) && picture.GetPixels();
        Surface thumbnail;
        // The history's two copies of an opened picture are made here too, so that the hand-over
        // below holds the lock for moves alone.
        Surface base, first;
        const bool copied = job == Job::Open && decoded && Succeeded(CopySurface(picture, base)) &&
                            Succeeded(CopySurface(picture, first));
        if (decoded && job == Job::Thumbnail) {
            std::int32_t w = 0, h = 0;
            ThumbnailSize(picture.GetWidth(), picture.GetHeight(), m_context.OffsetY(), w, h);
            if (Succeeded(thumbnail.Create(0, w, h)))
                TransformBlit(thumbnail, nullptr, picture, nullptr);
        }
        const std::int64_t handover = platform::latency::NowNs();
        {
            std::lock_guard frames(m_context.lock);
            bool current = false;
            {
                std::lock_guard again(m_jobLock);
                current = number == m_jobNumber;
            }
            if (job == Job::Thumbnail && current) {
                m_thumbnail = std::move(thumbnail);
                m_thumbnailName = path;
                m_message = decoded ? u"" : u"Cannot open this picture";
            } else if (job == Job::Open) {
                if (copied && m_editor.OpenPicture(picture, base, first, path)) {
                    m_context.SetState(state::kEditor, kSwitchFrames);
                } else {
                    // Nothing changes: the user stays here and is told.
                    m_opening = false;
                    m_message = u"Cannot open this picture";
                    if (report) {
                        std::string shown;
                        if (Failed(platform::MapDevicePath(path.c_str(), shown)))
                            shown = ToUtf8(WString(path.c_str()));
                        std::fprintf(stderr, "brelvo: cannot open %s: not a picture Brelvo reads\n",
                                     shown.c_str());
                    }
                }
            }
        }
        platform::latency::WorkDone("handover", handover);
        platform::latency::WorkDone(job == Job::Open ? "open" : "thumbnail", started);
        hold.lock();
        m_working = false;
        m_jobChanged.notify_all();
    }
}

void OpenScreen::Draw(Surface& target) {
    const std::int32_t d = m_context.OffsetY();
    Blit(target, 0, 0, m_background);
    if (m_rescanRequested) {
        Scan();
        m_rescanRequested = false;
    }
    if (m_folderChanged) {
        m_rescanRequested = true;
        m_folderChanged = false;
    }
    const std::int32_t boxCentreY = kThumbnailCentre.y - d / 2;
    if (KindOf(m_selected) == Row::File && m_thumbnailName == m_folder + NameOf(m_selected)) {
        if (m_thumbnail.GetPixels())
            Blit(target, kThumbnailCentre.x - m_thumbnail.GetWidth() / 2,
                 boxCentreY - m_thumbnail.GetHeight() / 2, m_thumbnail);
    }
    if (!m_message.empty()) {
        // Two short lines fit the box.
        const std::size_t space = m_message.rfind(u' ', 11);
        const std::u16string first = m_message.substr(0, space);
        const std::u16string second =
            space == std::u16string::npos ? u"" : m_message.substr(space + 1);
        const BitmapFont& font = m_context.fonts[kListFont];
        DrawText(target, kThumbnailCentre.x, boxCentreY - kRowHeight, first.c_str(), &font,
                 TEXT_CENTER);
        DrawText(target, kThumbnailCentre.x, boxCentreY, second.c_str(), &font, TEXT_CENTER);
    }
    DrawList(target);
    m_filterBar.Draw(target);
    DrawText(target, kFilterTextAt.x, kFilterTextAt.y, m_filter.c_str(),
             &m_context.fonts[kListFont]);
    if (m_opening)
        Blit(target, kOpenPressedAt.x, kOpenPressedAt.y - d, m_openPressed, nullptr, BLT_KEYED);
    if (m_cancelled)
        Blit(target, kBrowserCancelPressedAt.x, kBrowserCancelPressedAt.y - d, m_cancelPressed,
             nullptr, BLT_KEYED);
}

void OpenScreen::DrawList(Surface& target) {
    // The designed list surface holds every row; only the window's share of it is made here,
    // with the same pixels. Positions are 64-bit so that no folder is too long to address.
    const std::int64_t rows = RowCount();
    const std::int64_t listHeight = rows * kRowHeight + 2;
    const std::int32_t window = WindowHeight();
    m_bar.SetContent(static_cast<std::int32_t>(std::min<std::int64_t>(listHeight, INT32_MAX)),
                     window);
    const std::int64_t offset = m_bar.Offset();
    const auto shown =
        static_cast<std::int32_t>(std::min<std::int64_t>(window, listHeight - offset));
    if (shown > 0 && m_listPart.GetPixels()) {
        FillRect(m_listPart, nullptr, kWhite);
        const BitmapFont& font = m_context.fonts[kListFont];
        const std::int64_t first = offset / kRowHeight;
        const std::int64_t last = std::min<std::int64_t>(rows - 1, (offset + shown) / kRowHeight);
        for (std::int64_t row = first; row <= last; ++row) {
            const auto y = static_cast<std::int32_t>(row * kRowHeight - offset);
            const auto r = static_cast<std::int32_t>(row);
            switch (KindOf(r)) {
            case Row::Parent:
                Blit(m_listPart, 0, y, m_parentIcon);
                break;
            case Row::Folder:
            case Row::File:
                DrawText(m_listPart, 20, y, NameOf(r).c_str(), &font);
                Blit(m_listPart, 0, y, KindOf(r) == Row::Folder ? m_folderIcon : m_fileIcon,
                     nullptr, BLT_KEYED);
                break;
            case Row::None:
                break;
            }
        }
        const std::int64_t top = std::int64_t{m_selected} * kRowHeight - offset;
        if (top > -kRowHeight - 1 && top <= window)
            DrawRect(m_listPart,
                     Rect(0, static_cast<std::int32_t>(top), 400,
                          static_cast<std::int32_t>(top + kRowHeight)),
                     kRowFrame);
        const Rect part(0, 0, m_listPart.GetWidth(), shown);
        Blit(target, kBrowserList.left, kBrowserList.top, m_listPart, &part, BLT_KEYED);
    }
    m_bar.Draw(target);
}

void OpenScreen::StylusDown(std::int32_t x, std::int32_t y) {
    // Once Open has been pressed, only the switch to the editor is left to happen.
    if (m_opening)
        return;
    if (m_filterBar.StylusDown(x, y))
        return;
    if (OpenRect().Contains(x, y)) {
        if (KindOf(m_selected) != Row::File || m_cancelled)
            return;
        // FIXME: unsaved changes are asked about once the confirmation dialog exists; until
        // then Open leaves them alone rather than drop them.
        if (m_editor.Document().changed.load()) {
            m_message = u"Changes not saved"; // two short lines in the thumbnail box
            return;
        }
        m_opening = true;
        m_chosenPath = m_folder + NameOf(m_selected);
        OpenPictureFile(m_chosenPath);
        return;
    }
    if (CancelRect().Contains(x, y)) {
        if (!m_opening) {
            m_cancelled = true;
            m_context.SetState(state::kEditor, kSwitchFrames);
        }
        return;
    }
    TapAt(x, y);
    m_bar.StylusDown(x, y);
}

void OpenScreen::TapAt(std::int32_t x, std::int32_t y) {
    const std::int32_t width =
        kBrowserList.right - kBrowserList.left + 1 - (m_bar.IsVisible() ? kBarWidth : 0);
    if (!(kBrowserList.left < x && x < kBrowserList.left + width && kBrowserList.top < y &&
          y < kBrowserList.top + WindowHeight()))
        return;
    m_folderChanged = true;
    m_selected = static_cast<std::int32_t>((std::int64_t{m_bar.Offset()} + y - kBrowserList.top) /
                                           kRowHeight);
    switch (KindOf(m_selected)) {
    case Row::Parent: {
        WString folder(m_folder.c_str());
        ParentFolder(folder);
        m_folder = folder.c_str();
        return;
    }
    case Row::Folder: {
        WString folder(m_folder.c_str());
        AppendFolder(folder, WString(NameOf(m_selected).c_str()));
        m_folder = folder.c_str();
        return;
    }
    case Row::File:
    case Row::None:
        SelectionChanged();
        return;
    }
}

void OpenScreen::StylusUp(std::int32_t, std::int32_t) {
    m_bar.StylusUp();
}

void OpenScreen::StylusMove(std::int32_t x, std::int32_t y) {
    m_bar.StylusMove(x, y);
}

void OpenScreen::KeyDown(std::uint16_t key, const KeyMap& keys) {
    if (key == kF1 || key == kF2) {
        const Point at = (key == kF1 ? OpenRect() : CancelRect()).Center();
        StylusDown(at.x, at.y);
        return;
    }
    if (m_opening)
        return;
    const Row kind = KindOf(m_selected);
    if (key == kEnter) {
        if (kind == Row::Parent || kind == Row::Folder) {
            WString folder(m_folder.c_str());
            if (kind == Row::Parent)
                ParentFolder(folder);
            else
                AppendFolder(folder, WString(NameOf(m_selected).c_str()));
            m_folder = folder.c_str();
            m_folderChanged = true;
        }
        return;
    }
    const std::int32_t window = WindowHeight();
    if (key == keys.up) {
        m_selected = std::max(0, m_selected - 1);
        if (std::int64_t{m_selected} * kRowHeight < m_bar.Offset())
            m_bar.SetOffset(m_selected * kRowHeight);
    } else if (key == keys.down) {
        m_selected = std::max(0, std::min(m_selected + 1, RowCount() - 1));
        const std::int64_t bottom = (std::int64_t{m_selected} + 1) * kRowHeight;
        if (bottom > std::int64_t{m_bar.Offset()} + window)
            m_bar.SetOffset(static_cast<std::int32_t>(bottom - window + 2));
    } else {
        return;
    }
    SelectionChanged();
}

} // namespace brelvo
