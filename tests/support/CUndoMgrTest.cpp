#include "support/CUndoMgr.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// A record that writes "<name>:undo" or "<name>:redo" to a shared log when
// restored, and counts how many records are alive.
class TestUndo : public CUndoAtom {
public:
    TestUndo(std::string name, std::vector<std::string>* log)
        : m_name(std::move(name)), m_log(log) {
        ++s_live;
    }
    TestUndo(const TestUndo& other) : CUndoAtom(other), m_name(other.m_name), m_log(other.m_log) {
        ++s_live;
        onRestore = other.onRestore;
    }
    ~TestUndo() override { --s_live; }

    std::unique_ptr<CUndoAtom> Clone() const override { return std::make_unique<TestUndo>(*this); }
    void Restore(bool redo) override {
        if (m_log)
            m_log->push_back(m_name + (redo ? ":redo" : ":undo"));
        if (onRestore)
            onRestore();
    }

    static int s_live;
    std::function<void()> onRestore;

private:
    std::string m_name;
    std::vector<std::string>* m_log;
};

int TestUndo::s_live = 0;

class CUndoMgrTest : public ::testing::Test {
protected:
    void SetUp() override { TestUndo::s_live = 0; }
    void Add(CUndoMgr& mgr, const std::string& name) {
        TestUndo record(name, &log); // lives on the stack, as the editors' records do
        ASSERT_TRUE(mgr.AddUndoNode(record));
    }

    std::vector<std::string> log;
};

TEST_F(CUndoMgrTest, WholeSetsUndoBackwardsAndRedoForwards) {
    CUndoMgr mgr(400);
    EXPECT_FALSE(mgr.CanUndo());
    EXPECT_FALSE(mgr.Undo());
    EXPECT_FALSE(mgr.Redo());

    mgr.NextUndoSet();
    Add(mgr, "a1");
    Add(mgr, "a2");
    mgr.NextUndoSet();
    Add(mgr, "b1");
    Add(mgr, "b2");
    Add(mgr, "b3");
    EXPECT_EQ(mgr.NumUndoSets(), 2);

    ASSERT_TRUE(mgr.Undo());
    EXPECT_EQ(log, (std::vector<std::string>{"b3:undo", "b2:undo", "b1:undo"}));
    EXPECT_TRUE(mgr.CanRedo());
    ASSERT_TRUE(mgr.Undo());
    EXPECT_FALSE(mgr.CanUndo());
    EXPECT_FALSE(mgr.Undo());

    log.clear();
    ASSERT_TRUE(mgr.Redo());
    EXPECT_EQ(log, (std::vector<std::string>{"a1:redo", "a2:redo"}));
    ASSERT_TRUE(mgr.Redo());
    EXPECT_EQ(log.size(), 5u);
    EXPECT_EQ(log[2], "b1:redo");
    EXPECT_EQ(log[4], "b3:redo");
    EXPECT_FALSE(mgr.Redo());
    EXPECT_EQ(mgr.NumUndoSets(), 2);
}

TEST_F(CUndoMgrTest, KeepsClonesOfStackRecordsAndStampsTheirSet) {
    CUndoMgr mgr(400);
    {
        TestUndo record("only", &log);
        mgr.AddUndoNode(record);
        EXPECT_EQ(record.GetUndoSetId(), -1);
    }
    EXPECT_EQ(TestUndo::s_live, 1);

    struct Probe : CUndoAtom {
        explicit Probe(int32_t* seen) : seen(seen) {}
        std::unique_ptr<CUndoAtom> Clone() const override { return std::make_unique<Probe>(*this); }
        void Restore(bool) override { *seen = GetUndoSetId(); }
        int32_t* seen;
    };
    int32_t seen = -1;
    mgr.NextUndoSet();
    mgr.AddUndoNode(Probe(&seen));
    mgr.Undo();
    EXPECT_EQ(seen, 1);
    mgr.Undo();
    EXPECT_EQ(log, (std::vector<std::string>{"only:undo"}));
}

TEST_F(CUndoMgrTest, EmptySetsAreNeverCounted) {
    CUndoMgr mgr(3);
    mgr.NextUndoSet();
    mgr.NextUndoSet();
    EXPECT_FALSE(mgr.CanUndo());
    Add(mgr, "a");
    mgr.NextUndoSet();
    mgr.NextUndoSet();
    mgr.NextUndoSet();
    Add(mgr, "b");
    mgr.NextUndoSet();
    EXPECT_EQ(mgr.NumUndoSets(), 2);
    EXPECT_TRUE(mgr.Undo());
    EXPECT_TRUE(mgr.Undo());
    EXPECT_FALSE(mgr.Undo());
}

TEST_F(CUndoMgrTest, KeepsExactlyTheLimitAndDropsTheOldestFirst) {
    CUndoMgr mgr(400);
    for (int i = 0; i < 400; ++i) {
        mgr.NextUndoSet();
        Add(mgr, "set" + std::to_string(i) + "a");
        Add(mgr, "set" + std::to_string(i) + "b");
    }
    EXPECT_EQ(mgr.NumUndoSets(), 400);
    EXPECT_EQ(TestUndo::s_live, 800);

    mgr.NextUndoSet();
    Add(mgr, "set400a");
    EXPECT_EQ(mgr.NumUndoSets(), 400);
    EXPECT_EQ(TestUndo::s_live, 799); // both records of set 0 are gone

    for (int i = 0; i < 400; ++i)
        ASSERT_TRUE(mgr.Undo()) << "undo " << i;
    EXPECT_FALSE(mgr.Undo());
    EXPECT_EQ(log.front(), "set400a:undo");
    EXPECT_EQ(log.back(), "set1a:undo");
    EXPECT_EQ(mgr.NumRedoSets(), 400);
}

TEST_F(CUndoMgrTest, ANewRecordAfterUndoClearsRedoAndStartsItsOwnSet) {
    CUndoMgr mgr(400);
    Add(mgr, "a");
    mgr.NextUndoSet();
    Add(mgr, "b");
    mgr.NextUndoSet();
    Add(mgr, "c");
    ASSERT_TRUE(mgr.Undo());
    ASSERT_TRUE(mgr.Undo());
    EXPECT_EQ(TestUndo::s_live, 3);

    // No NextUndoSet here: the record must still not join set "a".
    Add(mgr, "d");
    EXPECT_FALSE(mgr.CanRedo());
    EXPECT_EQ(TestUndo::s_live, 2);
    EXPECT_EQ(mgr.NumUndoSets(), 2);

    log.clear();
    ASSERT_TRUE(mgr.Undo());
    EXPECT_EQ(log, (std::vector<std::string>{"d:undo"}));
}

TEST_F(CUndoMgrTest, ClearDeletesEveryRecordInBothDirections) {
    CUndoMgr mgr(400);
    for (const char* name : {"a", "b", "c"}) {
        mgr.NextUndoSet();
        Add(mgr, name);
    }
    mgr.Undo();
    EXPECT_EQ(TestUndo::s_live, 3);
    mgr.ClearUndoHistory();
    EXPECT_EQ(TestUndo::s_live, 0);
    EXPECT_FALSE(mgr.CanUndo());
    EXPECT_FALSE(mgr.CanRedo());

    {
        CUndoMgr other(400);
        Add(other, "x");
        other.NextUndoSet();
        Add(other, "y");
        other.Undo();
    }
    EXPECT_EQ(TestUndo::s_live, 0);
}

TEST_F(CUndoMgrTest, DirtyFollowsEditsUndoAndRedo) {
    CUndoMgr mgr(400);
    EXPECT_FALSE(mgr.IsDirty());
    Add(mgr, "a");
    EXPECT_TRUE(mgr.IsDirty());
    mgr.SetDirty(false);
    mgr.Undo();
    EXPECT_TRUE(mgr.IsDirty());
    mgr.SetDirty(false);
    mgr.Redo();
    EXPECT_TRUE(mgr.IsDirty());
    mgr.ClearUndoHistory();
    mgr.SetDirty(false);
    EXPECT_FALSE(mgr.Undo());
    EXPECT_FALSE(mgr.IsDirty());
}

// A record's Restore runs editing code, which records and starts sets of its own
// and may even ask for another undo; none of it may reach the history.
TEST_F(CUndoMgrTest, EditsMadeWhileRestoringAreIgnored) {
    CUndoMgr mgr(400);
    bool nestedUndo = true;
    bool nestedAdd = true;
    bool canUndoInside = true;
    TestUndo record("outer", &log);
    record.onRestore = [&] {
        mgr.NextUndoSet();
        TestUndo inner("inner", &log);
        nestedAdd = mgr.AddUndoNode(inner);
        nestedUndo = mgr.Undo() || mgr.Redo();
        canUndoInside = mgr.CanUndo();
    };
    Add(mgr, "first");
    mgr.NextUndoSet();
    mgr.AddUndoNode(record);

    LogCapture capture;
    ASSERT_TRUE(mgr.Undo());
    EXPECT_FALSE(nestedAdd);
    EXPECT_FALSE(nestedUndo);
    EXPECT_FALSE(canUndoInside);
    EXPECT_TRUE(capture.Contains("CUndoMgr::AddUndoNode() - record made while restoring ignored"));
    EXPECT_EQ(mgr.NumUndoSets(), 1);
    EXPECT_EQ(mgr.NumRedoSets(), 1);

    ASSERT_TRUE(mgr.Redo());
    EXPECT_EQ(mgr.NumUndoSets(), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"outer:undo", "outer:redo"}));
    ASSERT_TRUE(mgr.Undo());
    ASSERT_TRUE(mgr.Undo());
    EXPECT_EQ(log.back(), "first:undo");
}

TEST_F(CUndoMgrTest, ClearingWhileRestoringDropsTheRestoredSetToo) {
    CUndoMgr mgr(400);
    TestUndo record("clears", &log);
    record.onRestore = [&] { mgr.ClearUndoHistory(); };
    Add(mgr, "a");
    mgr.NextUndoSet();
    mgr.AddUndoNode(record);
    mgr.NextUndoSet();
    Add(mgr, "b");

    ASSERT_TRUE(mgr.Undo());
    ASSERT_TRUE(mgr.Undo());
    EXPECT_FALSE(mgr.CanUndo());
    EXPECT_FALSE(mgr.CanRedo());
    EXPECT_EQ(TestUndo::s_live, 1); // only the stack record above
}

TEST_F(CUndoMgrTest, LimitBelowOneKeepsOneSet) {
    CUndoMgr mgr(0);
    EXPECT_EQ(mgr.MaxUndoSets(), 1);
    Add(mgr, "a");
    mgr.NextUndoSet();
    Add(mgr, "b");
    EXPECT_EQ(mgr.NumUndoSets(), 1);
    EXPECT_TRUE(mgr.Undo());
    EXPECT_EQ(log, (std::vector<std::string>{"b:undo"}));
}

} // namespace
