#include "screens/ConfirmDialog.h"

#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "gfx/BitmapFont.h"
#include "gfx/Blit.h"
#include "platform/VirtualKeys.h"
#include "screens/EditorScreen.h"
#include "screens/Layout.h"
#include "screens/OpenScreen.h"
#include "screens/SaveScreen.h"
#include "ui/StateMachine.h"

namespace brelvo {

namespace {

using namespace layout;
namespace vk = platform::vk;

constexpr std::int32_t kAnswerFrames = 10;

struct Question {
    const char16_t* title;
    const char16_t* lines[2];
    Point textAt; // the first line; the second is 14 pixels lower
};

// By mode, 1 to 5.
constexpr Question kQuestions[] = {
    {u"Save as", {u"This file already exists.", u"Replace existing file?"}, Point(25, 46)},
    {u"Brelvo", {u"Do you want to save the", u"changes you made?"}, Point(20, 46)},
    {u"Brelvo", {u"Do you want to save the", u"changes you made?"}, Point(20, 46)},
    {u"Brelvo", {u"Do you want to save the", u"changes you made?"}, Point(20, 46)},
    {u"Error", {u"Error save file. The save-set ", u"name is incorrect."}, Point(15, 50)},
};
constexpr std::int32_t kLineSpacing = 14;

struct Caption {
    const char16_t* text;
    std::int32_t x;
};
constexpr Caption kCaptions[] = {{u"Yes", 16}, {u"No", 18}, {u"Cancel", 9}, {u"Ok", 17}};

const Question& QuestionOf(std::int32_t mode) {
    return kQuestions[mode >= 1 && mode <= 5 ? mode - 1 : 0];
}

} // namespace

ConfirmDialog::ConfirmDialog(ScreenContext& context, EditorScreen& editor, SaveScreen& saveScreen,
                             OpenScreen& browser)
    : m_context(context), m_editor(editor), m_saveScreen(saveScreen), m_browser(browser) {}

void ConfirmDialog::Initialise(ResourceArchive& archive) {
    LoadArtwork(archive, art::kDialogPanel, m_panel);
    LoadArtwork(archive, art::kErrorPanel, m_errorPanel);
    const BitmapFont& font = m_context.fonts[font::kList];
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        Button& button = m_buttons[i];
        LoadArtwork(archive, art::kCaptionButton, button.NormalImage());
        LoadArtwork(archive, art::kCaptionButtonPressed, button.PressedImage());
        for (Surface* image : {&button.NormalImage(), &button.PressedImage()})
            DrawText(*image, kCaptions[i].x, 0, kCaptions[i].text, &font);
    }
    Start(EditorScreen::kAskOverwrite);
    m_captureBackdrop = false;
}

void ConfirmDialog::Start(std::int32_t mode) {
    m_mode = mode >= 1 && mode <= 5 ? mode : EditorScreen::kAskOverwrite;
    // A question that follows another (the save error after a failed Yes) keeps the picture of
    // the screen behind the first, rather than a picture of the dialog itself.
    m_captureBackdrop = m_context.GetState() != state::kConfirm || !m_backdrop.GetPixels();
    m_origin = Point(kDialogOrigin.x, kDialogOrigin.y - m_context.OffsetY() / 2);
    m_dragging = false;
    m_answered = false;
    const bool threeButtons = m_mode >= 2 && m_mode <= 4;
    const std::array<Rect, kAnswerCount> places = {threeButtons ? kDialogYes : kDialogYes1,
                                                   threeButtons ? kDialogNo : kDialogNo1,
                                                   kDialogCancel, kDialogOk};
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i].Set(Point(places[i].left, places[i].top), places[i]);
        m_buttons[i].SetVisible(Shows(static_cast<Answer>(i)));
    }
}

bool ConfirmDialog::Shows(Answer answer) const {
    switch (answer) {
    case kAnswerYes:
    case kAnswerNo:
        return m_mode != EditorScreen::kSaveError;
    case kAnswerCancel:
        return m_mode >= 2 && m_mode <= 4;
    case kAnswerOk:
        return m_mode == EditorScreen::kSaveError;
    default:
        return false;
    }
}

Rect ConfirmDialog::ButtonRect(Answer answer) const {
    if (!Shows(answer))
        return Rect();
    return m_buttons[static_cast<std::size_t>(answer)].HitRect().Translated(m_origin.x, m_origin.y);
}

void ConfirmDialog::Draw(Surface& target) {
    if (m_captureBackdrop) {
        // The back buffer still holds the calling screen's last frame.
        CopySurface(target, m_backdrop);
        m_captureBackdrop = false;
    }
    Blit(target, 0, 0, m_backdrop);
    const Question& question = QuestionOf(m_mode);
    if (Failed(CopySurface(m_mode == EditorScreen::kSaveError ? m_errorPanel : m_panel, m_scratch)))
        return;
    DrawText(m_scratch, kDialogTitleAt.x, kDialogTitleAt.y, question.title,
             &m_context.fonts[font::kTitle]);
    for (int line = 0; line < 2; ++line)
        DrawText(m_scratch, question.textAt.x, question.textAt.y + line * kLineSpacing,
                 question.lines[line], &m_context.fonts[font::kBody]);
    for (Button& button : m_buttons)
        button.Draw(m_scratch);
    Blit(target, m_origin.x, m_origin.y, m_scratch, nullptr, BLT_KEYED);
}

void ConfirmDialog::StylusDown(std::int32_t x, std::int32_t y) {
    const Rect handle(m_origin.x, m_origin.y, m_origin.x + kDialogHandle.x,
                      m_origin.y + kDialogHandle.y);
    if (handle.Contains(x, y)) {
        m_grab = Point(m_origin.x - x, m_origin.y - y);
        m_dragging = true;
    }
    if (m_answered)
        return;
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        Button& button = m_buttons[i];
        if (button.HitTest(x - m_origin.x, y - m_origin.y)) {
            button.Flash();
            Act(static_cast<Answer>(i));
            return;
        }
    }
}

void ConfirmDialog::StylusMove(std::int32_t x, std::int32_t y) {
    // The window may be dragged partly off the screen.
    if (m_dragging)
        m_origin = Point(x + m_grab.x, y + m_grab.y);
}

void ConfirmDialog::StylusUp(std::int32_t, std::int32_t) {
    m_dragging = false;
}

void ConfirmDialog::TapButton(Answer answer) {
    if (!Shows(answer))
        return;
    const Point at = ButtonRect(answer).Center();
    StylusDown(at.x, at.y);
    m_dragging = false;
}

void ConfirmDialog::KeyDown(std::uint16_t key, const KeyMap& keys) {
    const bool error = m_mode == EditorScreen::kSaveError;
    const bool overwrite = m_mode == EditorScreen::kAskOverwrite;
    if (key == keys.right) {
        if (!error)
            TapButton(overwrite ? kAnswerNo : kAnswerCancel);
    } else if (key == keys.left) {
        if (!error)
            TapButton(kAnswerYes);
    } else if (key == vk::kEnter) {
        if (!overwrite)
            TapButton(error ? kAnswerOk : kAnswerNo);
    } else if (key == vk::kEscape) {
        // The desktop's way out of a question: the answer that changes nothing.
        TapButton(error ? kAnswerOk : overwrite ? kAnswerNo : kAnswerCancel);
    }
}

void ConfirmDialog::Act(Answer answer) {
    m_answered = true;
    const std::int32_t mode = m_mode;
    if (mode == EditorScreen::kSaveError) {
        // Back to a usable save screen, with the typed name kept.
        m_saveScreen.Resume();
        m_context.SetState(state::kSave, kAnswerFrames);
        return;
    }
    if (mode == EditorScreen::kAskOverwrite) {
        if (answer == kAnswerYes)
            m_saveScreen.SaveNow();
        else
            m_context.SetState(state::kSave, kAnswerFrames);
        return;
    }
    if (answer == kAnswerCancel) {
        if (mode == EditorScreen::kAskBeforeOpening) {
            m_browser.Reset();
            m_context.SetState(state::kBrowser, kAnswerFrames);
        } else {
            m_context.SetState(state::kEditor, kAnswerFrames);
        }
        return;
    }
    if (answer == kAnswerYes && !m_editor.HasOwnBmpFile()) {
        // The picture needs a name first; the save screen carries on once it is saved.
        m_context.SetState(state::kSave, kAnswerFrames);
        m_saveScreen.Reset();
        m_saveScreen.SetAfterSaveAction(mode == EditorScreen::kAskBeforeQuitting ? SaveScreen::kQuit
                                        : mode == EditorScreen::kAskBeforeGallery
                                            ? SaveScreen::kNextGalleryPicture
                                            : SaveScreen::kOpenChosen);
        return;
    }
    if (answer == kAnswerYes && Failed(m_editor.SavePicture(m_editor.Document().path.c_str())))
        return; // the save-error question follows, and nothing else happens
    switch (mode) {
    case EditorScreen::kAskBeforeQuitting:
        m_context.SetState(state::kExit, kAnswerFrames);
        break;
    case EditorScreen::kAskBeforeGallery:
        m_editor.Document().changed.store(false);
        m_editor.NextGalleryPicture();
        m_context.SetState(state::kEditor, kAnswerFrames);
        break;
    case EditorScreen::kAskBeforeOpening:
        // The unsaved mark stays until the chosen picture has replaced the one in the editor:
        // a file that cannot be opened leaves the user's work as it was.
        m_browser.OpenSelected();
        m_context.SetState(state::kBrowser, kAnswerFrames);
        break;
    default:
        break;
    }
}

} // namespace brelvo
