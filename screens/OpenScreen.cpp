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

constexpr std::int32_t kSwitchFrames = 20;
constexpr std::int32_t kAskFrames = 10; // before the question about unsaved changes
constexpr std::int32_t kThumbnailBoxWidth = 115;
constexpr std::int32_t kThumbnailBoxHeight = 272;
constexpr Point kThumbnailCentre(177, 160);
constexpr std::int32_t kTrackTop = 62;
constexpr std::int32_t kTrackBottom = 275;
constexpr std::uint16_t kEnter = 0x0D;
constexpr std::uint16_t kF1 = 0x70;
constexpr std::uint16_t kF2 = 0x71;

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
    LoadArtwork(archive, art::kOpenButtonPressed, m_openPressed);
    LoadArtwork(archive, art::kCancelButtonPressed, m_cancelPressed);

    Menu& menu = m_filterBar.SetUp(kFilterHeader, kMenuSpeed, kFilterMenu);
    LoadArtwork(archive, art::kFilterMenuPanel, menu.PanelImage());
    menu.SetFeedbackStyle(Menu::kFrame);
    for (std::size_t i = 0; i < kFilterItems.size(); ++i)
        menu.AddItem(kFilterItems[i], [this, i] { SetFilter(kFilterTexts[i]); });

    FolderList::Place place;
    place.window = kBrowserList;
    place.height = WindowHeight();
    place.trackX = kBrowserTrackX;
    place.trackTop = kTrackTop;
    place.trackBottom = kTrackBottom - d;
    place.upArrow = kBrowserUpArrowAt;
    place.downArrow = Point(kBrowserDownArrowAt.x, kBrowserDownArrowAt.y - d);
    m_list.Initialise(archive, place, m_context.fonts[font::kList]);
    ForgetThumbnail();
    m_cancelled = m_opening = m_opened = false;
}

void OpenScreen::Reset() {
    m_cancelled = false;
    m_opening = false;
    m_opened = false;
    m_list.RequestRescan();
    m_message.clear();
}

void OpenScreen::ForgetThumbnail() {
    // Every rescan starts at the top with nothing on show.
    m_thumbnail.Release();
    m_thumbnailName.clear();
    m_message.clear();
}

void OpenScreen::SetFilter(const char16_t* filter) {
    m_list.SetFilter(filter);
    ForgetThumbnail();
}

void OpenScreen::SelectionChanged() {
    m_message.clear();
    if (m_list.SelectedKind() == Row::File) {
        RequestThumbnail(m_list.SelectedFile());
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
    StartOpen(devicePath, report, false);
}

void OpenScreen::StartOpen(const std::u16string& devicePath, bool report, bool chosen) {
    {
        std::lock_guard hold(m_jobLock);
        m_job = Job::Open;
        m_jobPath = devicePath;
        m_jobReport = report;
        m_jobChosen = chosen;
        ++m_jobNumber;
    }
    m_jobChanged.notify_all();
}

void OpenScreen::Choose(const std::u16string& devicePath) {
    m_opening = true;
    m_chosenPath = devicePath;
}

void OpenScreen::OpenSelected() {
    m_opening = true;
    m_list.FolderChanged();
    if (!m_chosenPath.empty())
        StartOpen(m_chosenPath, false, true);
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
        const bool chosen = m_jobChosen;
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
                    m_opened = true;
                    m_context.SetState(state::kEditor, kSwitchFrames);
                } else {
                    // Nothing changes: the user stays here, or comes back here after the
                    // question about unsaved changes, and is told.
                    m_opening = false;
                    m_message = u"Cannot open this picture";
                    if (chosen)
                        m_context.SetState(state::kBrowser, 0);
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
    // An opened picture goes to the editor even when another switch was pending as it came in
    // (the dialog's return here); the request is dropped while any switch is pending.
    if (m_opened)
        m_context.SetState(state::kEditor, 0);
    if (m_list.BeginFrame())
        ForgetThumbnail();
    const std::int32_t boxCentreY = kThumbnailCentre.y - d / 2;
    if (m_list.SelectedKind() == Row::File && m_thumbnailName == m_list.SelectedFile()) {
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
        const BitmapFont& font = m_context.fonts[font::kList];
        DrawText(target, kThumbnailCentre.x, boxCentreY - kRowHeight, first.c_str(), &font,
                 TEXT_CENTER);
        DrawText(target, kThumbnailCentre.x, boxCentreY, second.c_str(), &font, TEXT_CENTER);
    }
    m_list.Draw(target);
    m_filterBar.Draw(target);
    DrawText(target, kFilterTextAt.x, kFilterTextAt.y, m_list.Filter().c_str(),
             &m_context.fonts[font::kList]);
    if (m_opening)
        Blit(target, kOpenPressedAt.x, kOpenPressedAt.y - d, m_openPressed, nullptr, BLT_KEYED);
    if (m_cancelled)
        Blit(target, kBrowserCancelPressedAt.x, kBrowserCancelPressedAt.y - d, m_cancelPressed,
             nullptr, BLT_KEYED);
}

void OpenScreen::StylusDown(std::int32_t x, std::int32_t y) {
    // Once Open has been pressed, only the switch to the editor is left to happen.
    if (m_opening)
        return;
    if (m_filterBar.StylusDown(x, y))
        return;
    if (OpenRect().Contains(x, y)) {
        if (m_list.SelectedKind() != Row::File || m_cancelled)
            return;
        if (m_editor.Document().changed.load()) {
            // Without the question, unsaved work is left alone rather than dropped.
            if (!m_askBeforeOpening)
                return;
            Choose(m_list.SelectedFile());
            m_askBeforeOpening();
            m_context.SetState(state::kConfirm, kAskFrames);
            return;
        }
        Choose(m_list.SelectedFile());
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
    if (const std::optional<Row> kind = m_list.Tap(x, y)) {
        if (*kind == Row::None)
            m_list.FolderChanged(); // the rescan puts the selection back on the first row
        if (*kind == Row::File || *kind == Row::None)
            SelectionChanged();
    }
    m_list.Bar().StylusDown(x, y);
}

void OpenScreen::StylusUp(std::int32_t, std::int32_t) {
    m_list.Bar().StylusUp();
}

void OpenScreen::StylusMove(std::int32_t x, std::int32_t y) {
    m_list.Bar().StylusMove(x, y);
}

void OpenScreen::KeyDown(std::uint16_t key, const KeyMap& keys) {
    if (key == kF1 || key == kF2) {
        const Point at = (key == kF1 ? OpenRect() : CancelRect()).Center();
        StylusDown(at.x, at.y);
        return;
    }
    if (m_opening)
        return;
    if (key == kEnter) {
        m_list.EnterSelected();
        return;
    }
    if (key == keys.up)
        m_list.SelectPrevious();
    else if (key == keys.down)
        m_list.SelectNext();
    else
        return;
    SelectionChanged();
}

} // namespace brelvo
