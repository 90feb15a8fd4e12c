#include "screens/FolderList.h"

#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "base/Paths.h"
#include "base/WString.h"
#include "gfx/Blit.h"
#include "gfx/Shapes.h"
#include "platform/DeviceFiles.h"

#include <algorithm>

namespace brelvo {

namespace {

constexpr Color kRowFrame = 0x585858;
constexpr Color kTrackGrey = 0xC7C7C7;
constexpr Color kWhite = 0xFFFFFF;
// The tappable width ends this far before the right edge while the scroll bar shows.
constexpr std::int32_t kBarWidth = 12;
// The surface of the whole list is this wide; the selection frame runs across all of it.
constexpr std::int32_t kListSurfaceWidth = 400;
// The formats "all formats" lists, in the order of their groups.
constexpr const char16_t* kAllPatterns[] = {u"*.bmp", u"*.png", u"*.jpg", u"*.gif"};
constexpr const char16_t* kAllFormats = u"all formats";

} // namespace

void FolderList::Initialise(ResourceArchive& archive, const Place& place, const BitmapFont& font) {
    m_place = place;
    m_font = &font;
    LoadArtwork(archive, art::kFolderIcon, m_folderIcon);
    LoadArtwork(archive, art::kFileIcon, m_fileIcon);
    LoadArtwork(archive, art::kParentIcon, m_parentIcon);

    m_bar.TrackImage().Create(0, 11, 500);
    FillRect(m_bar.TrackImage(), nullptr, kTrackGrey);
    LoadArtwork(archive, art::kListThumb, m_bar.ThumbImage());
    m_bar.SetTrack(place.trackX, place.trackTop, place.trackBottom);
    const Point up = place.upArrow;
    const Point down = place.downArrow;
    m_bar.UpArrow().Set(up, Rect(up.x, up.y, up.x + 9, up.y + 19));
    m_bar.DownArrow().Set(down, Rect(down.x, down.y, down.x + 9, down.y + 19));
    LoadArtwork(archive, art::kListUpArrow, m_bar.UpArrow().NormalImage());
    LoadArtwork(archive, art::kListUpArrow, m_bar.UpArrow().PressedImage());
    LoadArtwork(archive, art::kListDownArrow, m_bar.DownArrow().NormalImage());
    LoadArtwork(archive, art::kListDownArrow, m_bar.DownArrow().PressedImage());

    m_part.Create(0, place.window.right - place.window.left + 1, place.height);
    Scan();
    m_folderChanged = m_rescanRequested = false;
}

std::int32_t FolderList::RowCount() const {
    return static_cast<std::int32_t>(m_parents.size() + m_folders.size() + m_files.size());
}

FolderList::Row FolderList::KindOf(std::int32_t row) const {
    const auto p = static_cast<std::int32_t>(m_parents.size());
    const auto f = static_cast<std::int32_t>(m_folders.size());
    if (row < 0 || row >= RowCount())
        return Row::None;
    if (row < p)
        return Row::Parent;
    return row < p + f ? Row::Folder : Row::File;
}

std::u16string FolderList::NameOf(std::int32_t row) const {
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

std::u16string FolderList::SelectedFile() const {
    return SelectedKind() == Row::File ? m_folder + NameOf(m_selected) : std::u16string();
}

void FolderList::Scan() {
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
    m_selected = 0;
    m_bar.SetOffset(0);
}

void FolderList::SetFilter(const char16_t* filter) {
    m_filter = filter;
    Scan();
}

bool FolderList::BeginFrame() {
    const bool rescan = m_rescanRequested;
    if (rescan) {
        Scan();
        m_rescanRequested = false;
    }
    if (m_folderChanged) {
        m_rescanRequested = true;
        m_folderChanged = false;
    }
    return rescan;
}

void FolderList::Draw(Surface& target) {
    const std::int64_t rows = RowCount();
    const std::int64_t listHeight = rows * kRowHeight + 2;
    const std::int32_t window = m_place.height;
    m_bar.SetContent(static_cast<std::int32_t>(std::min<std::int64_t>(listHeight, INT32_MAX)),
                     window);
    const std::int64_t offset = m_bar.Offset();
    const auto shown =
        static_cast<std::int32_t>(std::min<std::int64_t>(window, listHeight - offset));
    if (shown > 0 && m_part.GetPixels() && m_font) {
        FillRect(m_part, nullptr, kWhite);
        const std::int64_t first = offset / kRowHeight;
        const std::int64_t last = std::min<std::int64_t>(rows - 1, (offset + shown) / kRowHeight);
        for (std::int64_t row = first; row <= last; ++row) {
            const auto y = static_cast<std::int32_t>(row * kRowHeight - offset);
            const auto r = static_cast<std::int32_t>(row);
            switch (KindOf(r)) {
            case Row::Parent:
                Blit(m_part, 0, y, m_parentIcon);
                break;
            case Row::Folder:
            case Row::File:
                DrawText(m_part, 20, y, NameOf(r).c_str(), m_font);
                Blit(m_part, 0, y, KindOf(r) == Row::Folder ? m_folderIcon : m_fileIcon, nullptr,
                     BLT_KEYED);
                break;
            case Row::None:
                break;
            }
        }
        const std::int64_t top = std::int64_t{m_selected} * kRowHeight - offset;
        if (top > -kRowHeight - 1 && top <= window)
            DrawRect(m_part,
                     Rect(0, static_cast<std::int32_t>(top), kListSurfaceWidth,
                          static_cast<std::int32_t>(top + kRowHeight)),
                     kRowFrame);
        const Rect part(0, 0, m_part.GetWidth(), shown);
        Blit(target, m_place.window.left, m_place.window.top, m_part, &part, BLT_KEYED);
    }
    m_bar.Draw(target);
}

void FolderList::Enter(Row kind, const std::u16string& name) {
    WString folder(m_folder.c_str());
    if (kind == Row::Parent)
        ParentFolder(folder);
    else
        AppendFolder(folder, WString(name.c_str()));
    m_folder = folder.c_str();
    m_folderChanged = true;
}

std::optional<FolderList::Row> FolderList::Tap(std::int32_t x, std::int32_t y) {
    const Rect& w = m_place.window;
    const std::int32_t width = w.right - w.left + 1 - (m_bar.IsVisible() ? kBarWidth : 0);
    if (!(w.left < x && x < w.left + width && w.top < y && y < w.top + m_place.height))
        return std::nullopt;
    m_selected = static_cast<std::int32_t>((std::int64_t{m_bar.Offset()} + y - w.top) / kRowHeight);
    const Row kind = KindOf(m_selected);
    if (kind == Row::Parent || kind == Row::Folder)
        Enter(kind, NameOf(m_selected));
    return kind;
}

bool FolderList::EnterSelected() {
    const Row kind = SelectedKind();
    if (kind != Row::Parent && kind != Row::Folder)
        return false;
    Enter(kind, NameOf(m_selected));
    return true;
}

void FolderList::SelectPrevious() {
    m_selected = std::max(0, m_selected - 1);
    if (std::int64_t{m_selected} * kRowHeight < m_bar.Offset())
        m_bar.SetOffset(m_selected * kRowHeight);
}

void FolderList::SelectNext() {
    m_selected = std::max(0, std::min(m_selected + 1, RowCount() - 1));
    const std::int64_t bottom = (std::int64_t{m_selected} + 1) * kRowHeight;
    if (bottom > std::int64_t{m_bar.Offset()} + m_place.height)
        m_bar.SetOffset(static_cast<std::int32_t>(bottom - m_place.height + 2));
}

} // namespace brelvo
