#include <gtest/gtest.h>

#include "test_objects.h"

using namespace hosttest;

TEST(References, ATargetGoesWithItsLastMaker) {
    bool deleted = false;
    auto* t = new Tracked(&deleted);
    auto* a = new Holder();
    auto* b = new Holder();
    a->ReplaceReference(0, t);
    b->ReplaceReference(2, t);
    EXPECT_EQ(t->NumDependents(), 2);
    a->DeleteReference(0);
    EXPECT_EQ(a->slots[0], nullptr);
    EXPECT_FALSE(deleted);
    b->DeleteThis();  // the maker's destruction drops its references
    EXPECT_TRUE(deleted);
    a->DeleteThis();
}

TEST(References, ReplacingKeepsOrDeletesTheOldTarget) {
    bool first = false, second = false;
    auto* h = new Holder();
    auto* t1 = new Tracked(&first);
    auto* t2 = new Tracked(&second);
    h->ReplaceReference(0, t1);
    h->ReplaceReference(0, t1);  // by itself: still there
    EXPECT_FALSE(first);
    EXPECT_EQ(t1->NumDependents(), 1);
    h->ReplaceReference(0, t2, FALSE);  // kept when asked
    EXPECT_FALSE(first);
    EXPECT_EQ(t1->NumDependents(), 0);
    t1->DeleteThis();
    h->ReplaceReference(0, nullptr);
    EXPECT_TRUE(second);
    EXPECT_EQ(h->ReplaceReference(4, nullptr), REF_FAIL);  // beyond NumRefs
    h->DeleteThis();
}

TEST(References, ADeletedTargetLeavesNoDanglingReference) {
    auto* h = new Holder();
    auto* t = new Tracked();
    h->ReplaceReference(1, t);
    h->ReplaceReference(3, t);
    t->DeleteThis();
    EXPECT_EQ(h->slots[1], nullptr);
    EXPECT_EQ(h->slots[3], nullptr);
    h->DeleteThis();
}

TEST(References, ChangesPropagateUntilAMakerStops) {
    auto* t = new Tracked();
    auto* middle = new Holder();
    auto* top = new Holder();
    middle->ReplaceReference(0, t);
    top->ReplaceReference(0, middle);
    t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(middle->messages, 1);
    EXPECT_EQ(top->messages, 1);
    middle->answer = REF_STOP;
    t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(middle->messages, 2);
    EXPECT_EQ(top->messages, 1);
    t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE, NOTIFY_ALL, FALSE);
    EXPECT_EQ(top->messages, 1);
    top->DeleteThis();
}

TEST(References, CloneSharesNothingAndClonesSharedTargetsOnce) {
    auto* map = new TestMap(AColor(0.1f, 0.2f, 0.3f, 1.0f));
    auto* sub = new TestMap();
    map->SetName(MSTR(L"source"));
    map->pblock->SetValue(pLevels, 0, 4);
    map->pblock->SetValue(pMap, 0, sub);     // owner's reference
    map->pblock->SetValue(pOwnMap, 0, sub);  // and the block's own: the same map twice

    RemapDir& remap = NewRemapDir();
    auto* copy = static_cast<TestMap*>(remap.CloneRef(map));
    remap.DeleteThis();
    ASSERT_NE(copy, nullptr);
    for (int r = 0; r < kNumRefs; ++r) {
        ASSERT_NE(copy->GetReference(r), nullptr);
        EXPECT_NE(copy->GetReference(r), map->GetReference(r));
    }
    EXPECT_EQ(copy->color, map->color);
    EXPECT_EQ(copy->GetName(), MSTR(L"source"));
    EXPECT_EQ(copy->pblock->GetOwner(), copy);
    EXPECT_EQ(copy->pblock->GetInt(pLevels), 4);
    EXPECT_EQ(copy->pblock->GetTexmap(pMap), copy->subMap);
    EXPECT_EQ(copy->pblock->GetReference(0), copy->subMap);  // shared, cloned once

    // The copy answers to its own block.
    copy->pblock->SetValue(pLevels, 0, 7);
    EXPECT_EQ(map->pblock->GetInt(pLevels), 4);
    EXPECT_EQ(copy->lastParam, pLevels);
    map->DeleteThis();
    copy->DeleteThis();
}
