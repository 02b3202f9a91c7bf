#include "support/RefPtr.h"
#include "support/CRefObj.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// Counts how many of its objects were deleted.
class Shared : public CRefObj {
public:
    explicit Shared(int* deleted) : m_deleted(deleted) {}
    int value = 0;

protected:
    ~Shared() override { ++*m_deleted; }

private:
    int* m_deleted;
};

// The engine's vocabulary: AddReference and a static DeleteAtom.
class Atom {
public:
    explicit Atom(int* deleted) : m_deleted(deleted) {}
    int AddReference() { return ++references; }
    static void DeleteAtom(Atom* atom) {
        if (atom && --atom->references <= 0)
            delete atom;
    }
    int references = 1;

private:
    ~Atom() { ++*m_deleted; }
    int* m_deleted;
};

TEST(RefPtrTest, AdoptTakesOverTheCreatorsReference) {
    int deleted = 0;
    {
        auto held = RefPtr<Shared>::Adopt(new Shared(&deleted));
        ASSERT_TRUE(held);
        EXPECT_EQ(held->RefCount(), 1u);
    }
    EXPECT_EQ(deleted, 1);
}

TEST(RefPtrTest, ShareTakesAReferenceOfItsOwn) {
    int deleted = 0;
    auto* object = new Shared(&deleted);
    {
        auto held = RefPtr<Shared>::Share(object);
        EXPECT_EQ(object->RefCount(), 2u);
    }
    EXPECT_EQ(object->RefCount(), 1u);
    EXPECT_EQ(deleted, 0);
    object->DeleteRefObject();
    EXPECT_EQ(deleted, 1);
}

TEST(RefPtrTest, CopiesCountAndMovesHandOver) {
    int deleted = 0;
    auto first = RefPtr<Shared>::Adopt(new Shared(&deleted));
    RefPtr<Shared> copy = first;
    EXPECT_EQ(first->RefCount(), 2u);
    EXPECT_TRUE(copy == first);
    RefPtr<Shared> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(first->RefCount(), 2u);
    first.Reset();
    EXPECT_FALSE(first);
    EXPECT_EQ(deleted, 0);
    moved = moved; // self-assignment keeps the reference
    EXPECT_EQ(moved->RefCount(), 1u);
    moved = nullptr;
    EXPECT_EQ(deleted, 1);
}

TEST(RefPtrTest, AssignmentGivesBackTheOldObject) {
    int deletedA = 0;
    int deletedB = 0;
    auto held = RefPtr<Shared>::Adopt(new Shared(&deletedA));
    auto other = RefPtr<Shared>::Adopt(new Shared(&deletedB));
    held = other;
    EXPECT_EQ(deletedA, 1);
    EXPECT_EQ(other->RefCount(), 2u);
    other = RefPtr<Shared>();
    EXPECT_EQ(deletedB, 0);
    held = RefPtr<Shared>();
    EXPECT_EQ(deletedB, 1);
}

TEST(RefPtrTest, DetachHandsTheReferenceToTheCaller) {
    int deleted = 0;
    auto held = RefPtr<Shared>::Adopt(new Shared(&deleted));
    Shared* raw = held.Detach();
    EXPECT_FALSE(held);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(raw->DeleteRefObject(), 0u);
    EXPECT_EQ(deleted, 1);
}

TEST(RefPtrTest, NullPointersTakeAndGiveNothing) {
    RefPtr<Shared> empty = RefPtr<Shared>::Share(nullptr);
    EXPECT_FALSE(empty);
    RefPtr<Shared> copy = empty;
    copy.Reset();
    EXPECT_EQ(empty.Get(), nullptr);
}

TEST(RefPtrTest, WorksOverTheAtomCounts) {
    int deleted = 0;
    auto* atom = new Atom(&deleted);
    {
        auto held = RefPtr<Atom>::Share(atom);
        RefPtr<Atom> copy = held;
        EXPECT_EQ(atom->references, 3);
    }
    EXPECT_EQ(atom->references, 1);
    { auto last = RefPtr<Atom>::Adopt(atom); }
    EXPECT_EQ(deleted, 1);
}

} // namespace
