#pragma once

#include "base/Rect.h"
#include "gfx/Surface.h"
#include "screens/FolderList.h"
#include "ui/MenuBar.h"
#include "ui/Screen.h"
#include "ui/ScreenContext.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brelvo {

class EditorScreen;

// The open-picture browser (state 4): the device's folders, a filter by format, a thumbnail of
// the selected picture, and Open and Cancel. Pictures are decoded on a thread of the screen's
// own, for the thumbnail as for Open, so that the window thread never waits for a decoder and the
// frames go on; only the hand-over of a finished picture takes the lock.
//
// A picture opened through Open, or through Open selected after the question about unsaved
// changes, takes the program to the editor; one that cannot be opened leaves the user here, told.
class OpenScreen final : public Screen {
public:
    static constexpr std::int32_t kRowHeight = FolderList::kRowHeight;
    using Row = FolderList::Row;

    OpenScreen(ScreenContext& context, EditorScreen& editor);
    // How Open asks about unsaved changes: starts the confirmation dialog in its
    // save-before-opening mode. Without it, Open with unsaved changes does nothing.
    void SetAskBeforeOpening(std::function<void()> ask) { m_askBeforeOpening = std::move(ask); }
    ~OpenScreen() override;

    void Initialise(ResourceArchive& archive) override;
    void Draw(Surface& target) override;
    void StylusDown(std::int32_t x, std::int32_t y) override;
    void StylusUp(std::int32_t x, std::int32_t y) override;
    void StylusMove(std::int32_t x, std::int32_t y) override;
    void KeyDown(std::uint16_t key, const KeyMap& keys) override;

    // Before each visit, from the editor's Open command.
    void Reset();
    // Opens the file chosen when Open was pressed, without asking (after the save question).
    // When it cannot be opened, the program comes (back) to this screen, which says so.
    void OpenSelected();
    // Chooses a file as Open would, for a picture handed over from another copy of the program
    // while the editor holds unsaved changes.
    void Choose(const std::u16string& devicePath);
    // Decodes the picture at a device path on the loader thread and, when it decodes, makes it
    // the editor's picture and returns to the editor.
    // With report, a picture that cannot be opened is also named on standard error (a picture
    // from the command line, where the user is not looking at this screen).
    void OpenPictureFile(const std::u16string& devicePath, bool report = false);

    // What the list shows, for tests.
    const std::u16string& Folder() const { return m_list.Folder(); }
    const std::u16string& Filter() const { return m_list.Filter(); }
    std::int32_t Selected() const { return m_list.Selected(); }
    std::int32_t ScrollOffset() const { return m_list.ScrollOffset(); }
    std::int32_t RowCount() const { return m_list.RowCount(); }
    Row KindOf(std::int32_t row) const { return m_list.KindOf(row); }
    std::u16string NameOf(std::int32_t row) const { return m_list.NameOf(row); }
    const std::u16string& ChosenPath() const { return m_chosenPath; }
    const Surface& Thumbnail() const { return m_thumbnail; }
    const std::u16string& ThumbnailName() const { return m_thumbnailName; }
    const std::u16string& Message() const { return m_message; }
    // Waits until the loader has nothing left to do; for tests.
    void WaitUntilIdle();
    // Whether a picture is being decoded or waits to be.
    bool IsLoading();

    // The thumbnail's size for a picture: it fills the box in one direction, at least 1 x 1.
    static void ThumbnailSize(std::int32_t width, std::int32_t height, std::int32_t offsetY,
                              std::int32_t& outWidth, std::int32_t& outHeight);

private:
    enum class Job { None, Thumbnail, Open };

    void ForgetThumbnail();
    void SetFilter(const char16_t* filter);
    void SelectionChanged();
    void RequestThumbnail(const std::u16string& name);
    void StartOpen(const std::u16string& devicePath, bool report, bool chosen);
    void Loader();
    std::int32_t WindowHeight() const;
    Rect OpenRect() const;
    Rect CancelRect() const;

    ScreenContext& m_context;
    EditorScreen& m_editor;

    std::function<void()> m_askBeforeOpening;
    bool m_cancelled = false;
    bool m_opening = false;
    // A picture was opened: the editor is due, whatever request was pending when it came in.
    bool m_opened = false;
    Surface m_background;
    Surface m_openPressed;
    Surface m_cancelPressed;
    Surface m_thumbnail;
    FolderList m_list;
    MenuBar m_filterBar;
    std::u16string m_thumbnailName; // the file the thumbnail was made from
    std::u16string m_message;       // said in the thumbnail box: a picture that cannot be opened
    std::u16string m_chosenPath;    // the file Open was pressed on

    // The loader thread's work, under m_jobLock; what it hands over, under the context's lock.
    std::mutex m_jobLock;
    std::condition_variable m_jobChanged;
    Job m_job = Job::None;
    std::u16string m_jobPath;
    bool m_jobReport = false;
    bool m_jobChosen = false;      // from Open selected: a failure brings the program here
    std::uint64_t m_jobNumber = 0; // raised by every request, so a stale result is dropped
    bool m_working = false;
    bool m_stop = false;
    std::thread m_loader;
};

} // namespace brelvo
