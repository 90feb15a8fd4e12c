#pragma once

#include "base/Point.h"
#include "gfx/Surface.h"
#include "ui/Button.h"
#include "ui/Screen.h"
#include "ui/ScreenContext.h"

#include <array>
#include <cstdint>

namespace brelvo {

class EditorScreen;
class OpenScreen;
class SaveScreen;

// The confirmation dialog (state 7): a small window over a still picture of the screen that
// called it, movable by its title strip, asking one question (EditorScreen::DialogMode) and
// turning the answer into the next step of saving, quitting, the gallery or opening.
//
// It takes one answer per question: once a button has answered, later taps and keys are ignored
// until the program has left the dialog. A save it starts that fails brings the save-error
// question instead, and nothing else happens: the picture, its history and its unsaved mark stay.
class ConfirmDialog final : public Screen {
public:
    enum Answer { kAnswerYes, kAnswerNo, kAnswerCancel, kAnswerOk, kAnswerCount };

    ConfirmDialog(ScreenContext& context, EditorScreen& editor, SaveScreen& saveScreen,
                  OpenScreen& browser);

    void Initialise(ResourceArchive& archive) override;
    void Draw(Surface& target) override;
    void StylusDown(std::int32_t x, std::int32_t y) override;
    void StylusUp(std::int32_t x, std::int32_t y) override;
    void StylusMove(std::int32_t x, std::int32_t y) override;
    void KeyDown(std::uint16_t key, const KeyMap& keys) override;

    // Asks the question of a mode; the caller requests state 7.
    void Start(std::int32_t mode);

    std::int32_t Mode() const { return m_mode; }
    Point Origin() const { return m_origin; }
    bool Answered() const { return m_answered; }
    // Where a button is on the screen now; empty for a button the mode does not show.
    Rect ButtonRect(Answer answer) const;

private:
    void Act(Answer answer);
    bool Shows(Answer answer) const;
    void TapButton(Answer answer);

    ScreenContext& m_context;
    EditorScreen& m_editor;
    SaveScreen& m_saveScreen;
    OpenScreen& m_browser;

    Surface m_panel;
    Surface m_errorPanel;
    Surface m_scratch;
    Surface m_backdrop;
    std::array<Button, kAnswerCount> m_buttons;
    std::int32_t m_mode = 1;
    Point m_origin;
    Point m_grab;
    bool m_captureBackdrop = false;
    bool m_dragging = false;
    bool m_answered = false;
};

} // namespace brelvo
