#include "support/CUndoStep.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A record that writes "<name>:undo" or "<name>:redo" when restored.
class NamedUndo : public CUndoAtom {
public:
    NamedUndo(std::string name, std::vector<std::string>* log)
        : m_name(std::move(name)), m_log(log) {}
    NamedUndo(const NamedUndo&) = default;

    std::unique_ptr<CUndoAtom> Clone() const override { return std::make_unique<NamedUndo>(*this); }
    void Restore(bool redo) override { m_log->push_back(m_name + (redo ? ":redo" : ":undo")); }

private:
    std::string m_name;
    std::vector<std::string>* m_log;
};

class CUndoStepTest : public ::testing::Test {
protected:
    void Add(const std::string& name) { ASSERT_TRUE(undo.AddUndoNode(NamedUndo(name, &log))); }

    CUndoMgr undo{100};
    std::vector<std::string> log;
};

TEST_F(CUndoStepTest, RecordsOfOneStepUndoAndRedoTogether) {
    {
        CUndoStep step(undo);
        Add("a");
        Add("b");
    }
    {
        CUndoStep step(undo);
        Add("c");
    }
    EXPECT_EQ(undo.NumUndoSets(), 2);
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(log, (std::vector<std::string>{"c:undo"}));
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(log, (std::vector<std::string>{"c:undo", "b:undo", "a:undo"}));
    ASSERT_TRUE(undo.Redo());
    EXPECT_EQ(log.back(), "b:redo");
    EXPECT_EQ(undo.NumUndoSets(), 1);
    EXPECT_EQ(undo.NumRedoSets(), 1);
}

TEST_F(CUndoStepTest, StepThatRecordsNothingLeavesNoSet) {
    { CUndoStep step(undo); }
    EXPECT_EQ(undo.NumUndoSets(), 0);
    EXPECT_FALSE(undo.IsDirty());
    {
        CUndoStep step(undo);
        Add("a");
    }
    { CUndoStep empty(undo); }
    EXPECT_EQ(undo.NumUndoSets(), 1);
    ASSERT_TRUE(undo.Undo());
    EXPECT_FALSE(undo.CanUndo());
}

TEST_F(CUndoStepTest, NeverJoinsTheEditsAroundIt) {
    Add("before"); // made without a step, as a stray record would be
    {
        CUndoStep step(undo);
        Add("inside");
    }
    Add("after");
    EXPECT_EQ(undo.NumUndoSets(), 3);
    ASSERT_TRUE(undo.Undo());
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(log, (std::vector<std::string>{"after:undo", "inside:undo"}));
}

TEST_F(CUndoStepTest, NestedStepsBelongToTheOutermost) {
    {
        CUndoStep outer(undo);
        Add("a");
        {
            CUndoStep inner(undo);
            Add("b");
        }
        Add("c");
        {
            CUndoStep inner(undo);
            CUndoStep innermost(undo);
            Add("d");
        }
    }
    EXPECT_EQ(undo.NumUndoSets(), 1);
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(log, (std::vector<std::string>{"d:undo", "c:undo", "b:undo", "a:undo"}));
    {
        CUndoStep next(undo);
        Add("e");
    }
    EXPECT_EQ(undo.NumUndoSets(), 1);
    EXPECT_FALSE(undo.CanRedo()); // a new record drops what was undone
}

TEST_F(CUndoStepTest, StepOpenedWhileRestoringRecordsNothing) {
    // A record whose restore runs editing code that opens a step of its own.
    class SteppingUndo : public CUndoAtom {
    public:
        SteppingUndo(CUndoMgr& undo, int* restores) : m_undo(&undo), m_restores(restores) {}
        std::unique_ptr<CUndoAtom> Clone() const override {
            return std::make_unique<SteppingUndo>(*this);
        }
        void Restore(bool) override {
            CUndoStep step(*m_undo);
            EXPECT_FALSE(m_undo->AddUndoNode(CUndoAtom()));
            ++*m_restores;
        }

    private:
        CUndoMgr* m_undo;
        int* m_restores;
    };
    int restores = 0;
    {
        CUndoStep step(undo);
        ASSERT_TRUE(undo.AddUndoNode(SteppingUndo(undo, &restores)));
    }
    ASSERT_TRUE(undo.Undo());
    ASSERT_TRUE(undo.Redo());
    EXPECT_EQ(restores, 2);
    EXPECT_EQ(undo.NumUndoSets(), 1);
    {
        CUndoStep step(undo);
        Add("after");
    }
    EXPECT_EQ(undo.NumUndoSets(), 2);
}

} // namespace
