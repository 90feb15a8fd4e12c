#include "editor/EditHistory.h"

#include "editor/ImageDocument.h"
#include "gfx/Blit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace brelvo {
namespace {

struct Recorder : EditorObserver {
    void commandAvailable(EditCommand command, bool available) override {
        state[command] = available;
    }
    void pictureReplaced() override { ++replaced; }
    std::map<EditCommand, bool> state;
    int replaced = 0;
};

// A document whose picture is one colour at a time, so that a picture is known by its first
// pixel; it is loaded in colour 100.
class EditHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.history.setObserver(&recorder);
        paint(100);
        doc.history.load();
    }
    void paint(Pixel colour) {
        if (doc.picture.GetWidth() == 0) {
            ASSERT_EQ(doc.picture.Create(0, 30, 20), kOk);
        }
        std::fill_n(doc.picture.GetPixels(), doc.picture.GetSize() / 2, colour);
    }
    Pixel shown() const { return doc.picture.GetPixels()[0]; }
    // Undo, Redo and Undo all as last reported, '1' where available.
    std::string commands() {
        std::string s;
        for (EditCommand c : {EditCommand::Undo, EditCommand::Redo, EditCommand::UndoAll})
            s += recorder.state.at(c) ? '1' : '0';
        return s;
    }

    std::recursive_mutex lock;
    ImageDocument doc{lock};
    Recorder recorder;
};

// One session, step by step: 'c' paints the colour and commits, 'p' only paints, 'a' hands the
// painted picture over with its copies made beforehand, 'u' undo, 'r' redo, 'A' undo all. After
// each step: the colour shown, the commands ('?' not checked), the states and the current one.
// On the way: a commit after undo cuts the redo branch (c5); redo at the newest state copies it
// again (r after p9); the fourth commit drops the loaded state (c6), so undo stops at the oldest
// kept state while undo all still reaches the loaded one; a picture adopted with its copies is a
// loaded picture (a); undo all forgot the dropped state (the last u).
TEST_F(EditHistoryTest, KeepsFourStatesAndTheLoadedPicture) {
    const struct {
        char op;
        Pixel colour, shown;
        const char* commands;
        int count, current;
    } steps[] = {
        {'-', 0, 100, "000", 1, 0}, {'c', 1, 1, "101", 2, 1},  {'c', 2, 2, "101", 3, 2},
        {'u', 0, 1, "111", 3, 1},   {'c', 5, 5, "101", 3, 2},  {'p', 9, 9, "101", 3, 2},
        {'r', 0, 5, "101", 3, 2},   {'u', 0, 1, "111", 3, 1},  {'c', 3, 3, "101", 3, 2},
        {'c', 4, 4, "101", 4, 3},   {'c', 6, 6, "101", 4, 3},  {'u', 0, 4, "111", 4, 2},
        {'u', 0, 3, "111", 4, 1},   {'u', 0, 1, "011", 4, 0},  {'u', 0, 1, "011", 4, 0},
        {'p', 50, 50, "011", 4, 0}, {'a', 0, 50, "000", 1, 0}, {'c', 60, 60, "101", 2, 1},
        {'u', 0, 50, "010", 2, 0},  {'c', 1, 1, "101", 2, 1},  {'c', 2, 2, "101", 3, 2},
        {'c', 3, 3, "101", 4, 3},   {'c', 4, 4, "101", 4, 3},  {'A', 0, 50, "?00", 1, 0},
        {'c', 7, 7, "101", 2, 1},   {'u', 0, 50, "010", 2, 0},
    };
    int restores = recorder.replaced;
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << s.op << " " << s.colour);
        if (s.op == 'c' || s.op == 'p')
            paint(s.colour);
        if (s.op == 'c')
            doc.history.commit();
        if (s.op == 'a') {
            Surface base, first;
            ASSERT_EQ(CopySurface(doc.picture, base), kOk);
            ASSERT_EQ(CopySurface(doc.picture, first), kOk);
            doc.history.adopt(std::move(base), std::move(first));
        }
        s.op == 'u'   ? doc.history.undo()
        : s.op == 'r' ? doc.history.redo()
        : s.op == 'A' ? doc.history.undoAll()
                      : void();
        restores += s.op == 'u' || s.op == 'r' || s.op == 'A';
        std::string reported = commands();
        for (std::size_t i = 0; i < reported.size(); ++i)
            reported[i] = s.commands[i] == '?' ? '?' : reported[i];
        EXPECT_EQ(std::tuple(shown(), reported, doc.history.count(), doc.history.current()),
                  std::tuple(s.shown, s.commands, s.count, s.current));
    }
    EXPECT_EQ(recorder.replaced, restores);
}

TEST_F(EditHistoryTest, UndoRestoresThePictureSizeACropChanged) {
    ASSERT_EQ(doc.picture.Create(0, 7, 3), kOk);
    paint(6);
    doc.history.commit();
    doc.history.undo();
    EXPECT_EQ(std::tuple(doc.picture.GetWidth(), doc.picture.GetHeight(), shown()),
              std::tuple(30, 20, Pixel{100}));
    doc.history.redo();
    EXPECT_EQ(std::tuple(doc.picture.GetWidth(), doc.picture.GetHeight(), shown()),
              std::tuple(7, 3, Pixel{6}));
}

} // namespace
} // namespace brelvo
