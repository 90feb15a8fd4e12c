#include "editor/EditHistory.h"

#include "editor/ImageDocument.h"
#include "gfx/Blit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>

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
// pixel.
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
    void commitColour(Pixel colour) {
        paint(colour);
        doc.history.commit();
    }
    Pixel shown() const { return doc.picture.GetPixels()[0]; }
    bool available(EditCommand command) { return recorder.state.at(command); }

    std::recursive_mutex lock;
    ImageDocument doc{lock};
    Recorder recorder;
};

TEST_F(EditHistoryTest, LoadLeavesNothingToUndo) {
    EXPECT_FALSE(available(EditCommand::Undo));
    EXPECT_FALSE(available(EditCommand::Redo));
    EXPECT_FALSE(available(EditCommand::UndoAll));
    EXPECT_EQ(doc.history.count(), 1);
    EXPECT_EQ(doc.history.current(), 0);
}

// A picture handed over with its copies made beforehand is a loaded picture: nothing to undo,
// and undo all and undo after edits come back to it.
TEST_F(EditHistoryTest, AdoptingPreparedCopiesIsLoading) {
    for (Pixel c : {1, 2, 3, 4})
        commitColour(c);
    paint(50);
    Surface base, first;
    ASSERT_EQ(CopySurface(doc.picture, base), kOk);
    ASSERT_EQ(CopySurface(doc.picture, first), kOk);
    doc.history.adopt(std::move(base), std::move(first));
    EXPECT_FALSE(available(EditCommand::Undo));
    EXPECT_FALSE(available(EditCommand::UndoAll));
    EXPECT_FALSE(doc.history.overflowed());
    EXPECT_EQ(doc.history.count(), 1);
    commitColour(60);
    commitColour(70);
    doc.history.undo();
    doc.history.undo();
    EXPECT_EQ(shown(), 50);
    commitColour(80);
    doc.history.undoAll();
    EXPECT_EQ(shown(), 50);
}

TEST_F(EditHistoryTest, FourthCommitDropsTheLoadedStateButUndoAllStillReachesIt) {
    for (Pixel c : {1, 2, 3})
        commitColour(c);
    EXPECT_EQ(doc.history.count(), 4);
    EXPECT_FALSE(doc.history.overflowed());
    commitColour(4);
    EXPECT_EQ(doc.history.count(), 4);
    EXPECT_EQ(doc.history.current(), 3);
    EXPECT_TRUE(doc.history.overflowed());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(doc.history.snapshot(i).GetPixels()[0], i + 1);
    for (Pixel expected : {3, 2, 1, 1}) {
        doc.history.undo();
        EXPECT_EQ(shown(), expected);
    }
    EXPECT_FALSE(available(EditCommand::Undo));
    EXPECT_TRUE(available(EditCommand::UndoAll));
    doc.history.undoAll();
    EXPECT_EQ(shown(), 100);
    EXPECT_FALSE(doc.history.overflowed());
    EXPECT_FALSE(available(EditCommand::UndoAll));
    doc.history.commit();
    doc.history.undo();
    EXPECT_FALSE(available(EditCommand::UndoAll));
}

TEST_F(EditHistoryTest, CommitAfterUndoCutsTheRedoBranch) {
    commitColour(1);
    commitColour(2);
    doc.history.undo();
    EXPECT_EQ(shown(), 1);
    EXPECT_TRUE(available(EditCommand::Redo));
    commitColour(5);
    EXPECT_EQ(doc.history.count(), 3);
    EXPECT_FALSE(available(EditCommand::Redo));
    doc.history.redo();
    EXPECT_EQ(shown(), 5);
    doc.history.undo();
    EXPECT_EQ(shown(), 1);
}

TEST_F(EditHistoryTest, RedoAtTheNewestStateCopiesItAgain) {
    commitColour(1);
    commitColour(2);
    doc.history.undo();
    doc.history.redo();
    EXPECT_EQ(shown(), 2);
    EXPECT_FALSE(available(EditCommand::Redo));
    paint(9);
    const int replaced = recorder.replaced;
    doc.history.redo();
    EXPECT_EQ(shown(), 2);
    EXPECT_EQ(recorder.replaced, replaced + 1);
    EXPECT_EQ(doc.history.current(), 2);
}

TEST_F(EditHistoryTest, UndoRestoresThePictureSizeACropChanged) {
    ASSERT_EQ(doc.picture.Create(0, 7, 3), kOk);
    commitColour(6);
    doc.history.undo();
    EXPECT_EQ(doc.picture.GetWidth(), 30);
    EXPECT_EQ(doc.picture.GetHeight(), 20);
    EXPECT_EQ(shown(), 100);
    doc.history.redo();
    EXPECT_EQ(doc.picture.GetWidth(), 7);
    EXPECT_EQ(shown(), 6);
}

} // namespace
} // namespace brelvo
