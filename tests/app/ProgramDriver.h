#pragma once

#include "app/App.h"
#include "base/ByteSink.h"
#include "gfx/BmpWriter.h"
#include "platform/DeviceFiles.h"
#include "screens/Layout.h"
#include "ui/Shared.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace brelvo::test {

inline constexpr KeyMap kProgramKeys{.up = 0x26, .down = 0x28, .left = 0x25, .right = 0x27};

inline ApplicationConfig TestConfig() {
    return {.title = u"Brelvo", .frameRate = 30};
}

// The program's controller with every screen, as the program runs it, on a device root of the
// test's own, driven in this thread: frames, taps, keys and typing, as the window would give them.
class Program {
public:
    // programFolder holds Brelvo.erc; by default the build's own.
    explicit Program(const std::string& root, std::int32_t height = 320,
                     std::string programFolder = {}) {
        if (programFolder.empty())
            programFolder = std::filesystem::path(BRELVO_ARCHIVE_FILE).parent_path().string();
        platform::SetDeviceRoot(root);
        app = std::make_unique<App>(TestConfig(),
                                    AppOptions{.programFolder = programFolder, .startFile = {}});
        frame.Create(CREATE_CLEAR, 240, height);
        ok = app->OnInit(frame) == kOk;
        Frames(62);
    }
    ~Program() { platform::SetDeviceRoot(""); }

    void Frames(int count) {
        for (int i = 0; i < count; ++i)
            app->Render(frame, 0);
    }
    bool Reach(std::int32_t s) {
        for (int i = 0; i < 150; ++i) {
            if (GetState() == s && !ScreenStates.IsPending())
                return true;
            Frames(1);
            if (app->Browser().IsLoading())
                app->Browser().WaitUntilIdle();
        }
        return false;
    }
    void Tap(Point at) {
        app->StylusDown(at.x, at.y);
        app->StylusUp(at.x, at.y);
    }
    void Key(std::uint16_t key, int frames = 0) {
        app->KeyDown(key, kProgramKeys);
        Frames(frames);
        app->KeyUp(key, kProgramKeys);
    }
    void Type(const std::u16string& text) {
        for (char16_t c : text)
            app->Char(c, 0);
    }
    void Choose(int menu, int item) {
        const layout::MenuLayout& m = layout::kEditorMenus[static_cast<std::size_t>(menu)];
        Tap(m.header.Center());
        Frames(6);
        Tap(m.items[static_cast<std::size_t>(item)].Center());
    }
    // A Magnifier tap, an unsaved change; first (gallery) the gallery's next picture.
    void Change(bool gallery = false) {
        if (gallery)
            app->Editor().NextGalleryPicture();
        app->Editor().SelectTool(ToolId::Magnifier);
        Tap(Point(130, 150));
        Frames(1);
    }
    void Answer(ConfirmDialog::Answer answer) {
        ASSERT_EQ(GetState(), state::kConfirm);
        Tap(app->Dialog().ButtonRect(answer).Center());
    }
    // File > Save as: whether the save screen came.
    bool ToSaveScreen() {
        Choose(EditorScreen::kFileMenu, 3);
        return Reach(state::kSave);
    }
    void SaveAs(const std::u16string& name) {
        ASSERT_TRUE(ToSaveScreen());
        SaveHere(name);
    }
    // On the save screen: into Docs (when not there yet), the name typed, Save.
    void SaveHere(const std::u16string& name) {
        if (app->Saver().List().Folder() == u"\\") {
            Tap(Point(20, layout::kSaveList.top + 5));
            Frames(2);
        }
        Type(name);
        Tap(layout::kSaveButton.Center());
    }
    bool Changed() { return app->Editor().Document().changed.load(); }
    // The document in one line: changed or saved, own file or not, path, gallery index, title.
    std::string Describe() {
        EditorScreen& e = app->Editor();
        return std::string(Changed() ? "changed" : "saved") +
               (e.Document().hasFile ? " file " : " ") + ToUtf8(e.Document().path) + " #" +
               std::to_string(e.GalleryIndex()) + " " + ToUtf8(WString(e.Title().c_str()));
    }
    std::string PictureBmp() {
        VectorSink sink;
        EXPECT_TRUE(EncodeBmp(app->Editor().Document().picture, sink));
        return std::string(sink.Bytes().begin(), sink.Bytes().end());
    }

    std::unique_ptr<App> app;
    Surface frame;
    bool ok = false;
};

} // namespace brelvo::test
