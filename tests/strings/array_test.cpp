#include "gfx/array.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// An element that records its destruction by name.
class Tracked {
public:
    explicit Tracked(std::string name = "default") : name_(std::move(name)) {}
    virtual ~Tracked() { destroyed.push_back(name_); }
    const std::string& Name() const { return name_; }

    static inline std::vector<std::string> destroyed;

private:
    std::string name_;
};

using TrackedArray = CArray<Tracked, ObjectElements<Tracked>>;

class CArrayTest : public ::testing::Test {
protected:
    void SetUp() override { Tracked::destroyed.clear(); }

    // [a, b, c, d]
    void FillFour() {
        for (const char* name : {"a", "b", "c", "d"})
            array.Add(new Tracked(name));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (std::uint32_t i = 0; i < array.GetCount(); ++i)
            names.push_back(array.GetAt(i) != nullptr ? array.GetAt(i)->Name() : "null");
        return names;
    }

    TrackedArray array;
};

TEST_F(CArrayTest, InsertsAtFrontMiddleAndEnd) {
    Tracked* first = new Tracked("x");
    EXPECT_EQ(array.InsertAt(0, first), 1);
    ASSERT_EQ(array.GetCount(), 1u);
    EXPECT_EQ(array.GetAt(0), first);
    array.InsertAt(1, new Tracked("z"));  // at count: appends
    array.InsertAt(1, new Tracked("y"));
    array.InsertAt(0, new Tracked("w"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"w", "x", "y", "z"}));
    EXPECT_EQ(array.GetFirst()->Name(), "w");
    EXPECT_EQ(array.GetLast()->Name(), "z");
}

TEST_F(CArrayTest, RemoveAtKeepsElementsRemoveAndDestroyDestroysThem) {
    FillFour();
    Tracked* b = array.GetAt(1);
    Tracked* c = array.GetAt(2);
    EXPECT_EQ(array.RemoveAt(1, 2), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "d"}));
    EXPECT_TRUE(Tracked::destroyed.empty());
    delete b;
    delete c;
    Tracked::destroyed.clear();

    array.InsertAt(1, new Tracked("b"));
    array.InsertAt(2, new Tracked("c"));
    EXPECT_EQ(array.RemoveAndDestroy(1, 2), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "d"}));
    EXPECT_EQ(Tracked::destroyed, (std::vector<std::string>{"b", "c"}));
}

TEST_F(CArrayTest, SetSizeDestroysTheCutOffAndAddsNulls) {
    FillFour();
    array.SetSize(2);
    EXPECT_EQ(Tracked::destroyed, (std::vector<std::string>{"c", "d"}));
    array.SetSize(4);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "null", "null"}));
    array.SetSizeNew(6);  // only the new positions get default elements
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "null", "null", "default", "default"}));
    EXPECT_EQ(array.AddNew()->Name(), "default");
    EXPECT_EQ(array.InsertNew(0)->Name(), "default");
    EXPECT_EQ(array.GetCount(), 8u);
}

TEST_F(CArrayTest, EmptyArrayThrowsZeroForFirstAndLast) {
    for (auto ask : {&TrackedArray::GetFirst, &TrackedArray::GetLast}) {
        try {
            (array.*ask)();
            ADD_FAILURE() << "no throw";
        } catch (int code) {
            EXPECT_EQ(code, 0);
        }
    }
}

TEST_F(CArrayTest, OutOfRangeChangesNothing) {
    FillFour();
    Tracked stray("stray");
    EXPECT_EQ(array.InsertAt(5, &stray), 0);
    EXPECT_EQ(array.RemoveAt(3, 2), 0);
    EXPECT_EQ(array.RemoveAndDestroy(5, 1), 0);
    EXPECT_EQ(array.ElementAt(4), nullptr);
    EXPECT_THROW(array.InsertNew(9), int);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c", "d"}));
    // The default element made for the failed InsertNew was not leaked.
    EXPECT_EQ(Tracked::destroyed, (std::vector<std::string>{"default"}));
}

TEST_F(CArrayTest, DestroyRemoveAllAndDetach) {
    {
        TrackedArray owning;
        owning.Add(new Tracked("owned"));
        owning.Add(nullptr);  // null positions are skipped
    }
    EXPECT_EQ(Tracked::destroyed, (std::vector<std::string>{"owned"}));

    Tracked kept("kept");
    {
        TrackedArray borrowing;
        borrowing.SetOwns(false);
        borrowing.Add(&kept);
    }
    EXPECT_EQ(Tracked::destroyed.size(), 1u);

    Tracked::destroyed.clear();
    FillFour();
    std::vector<Tracked*> detached = {array.GetAt(0), array.GetAt(1), array.GetAt(2),
                                      array.GetAt(3)};
    array.Detach();
    EXPECT_EQ(array.GetCount(), 0u);
    EXPECT_TRUE(Tracked::destroyed.empty());
    for (Tracked* element : detached)
        array.Add(element);
    array.SetOwns(false);
    array.RemoveAll();  // destroys whatever the ownership says
    EXPECT_EQ(Tracked::destroyed.size(), 4u);
}

// An element that takes itself out of its list when destroyed, as a panel
// may leave the panel list.
class SelfRemoving;
using SelfRemovingArray = CArray<SelfRemoving, ObjectElements<SelfRemoving>>;
class SelfRemoving {
public:
    explicit SelfRemoving(SelfRemovingArray* list = nullptr) : list_(list) {}
    virtual ~SelfRemoving() {
        if (list_ == nullptr)
            return;
        for (std::uint32_t i = 0; i < list_->GetCount(); ++i)
            if (list_->GetAt(i) == this)
                list_->RemoveAt(i, 1);
    }

private:
    SelfRemovingArray* list_;
};

TEST(CArrayReentryTest, DestroyedElementsAreNoLongerInTheArray) {
    SelfRemovingArray list;
    for (int i = 0; i < 3; ++i)
        list.Add(new SelfRemoving(&list));
    list.SetSize(1);
    EXPECT_EQ(list.GetCount(), 1u);
    list.RemoveAndDestroy(0, 1);
    EXPECT_EQ(list.GetCount(), 0u);
}

struct Record {
    int value;
};

TEST(CArrayRecordTest, RecordsAreMadeAndFreedPlainly) {
    CArray<Record, RecordElements<Record>> records;
    records.AddNew()->value = 7;
    records.Add(new Record{8});
    EXPECT_EQ(records.GetFirst()->value, 7);
    EXPECT_EQ(records.GetLast()->value, 8);
    records.RemoveAndDestroy(0, 2);
    EXPECT_EQ(records.GetCount(), 0u);
}

}  // namespace
