#include "base/Array.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace brelvo {
namespace {

// Counts live instances, so a leak or a double destruction shows as a wrong count, and
// remembers its own address, so an element relocated by a byte copy is noticed when used.
class Tracked {
public:
    static inline int s_live = 0, s_misplaced = 0;

    explicit Tracked(int value = 0) : m_self(this), m_value(value) { ++s_live; }
    Tracked(const Tracked& other) : Tracked(other.Value()) {}
    Tracked& operator=(const Tracked& other) {
        m_value = other.Value();
        return *this;
    }
    ~Tracked() {
        Value();
        --s_live;
        // Through volatile, so that the store outlives the object and a read of a destroyed
        // element sees it.
        const Tracked* volatile* self = &m_self;
        *self = nullptr;
    }
    int Value() const {
        s_misplaced += m_self != this ? 1 : 0;
        return m_value;
    }

private:
    const Tracked* m_self;
    int m_value;
};

class ArrayTest : public ::testing::Test {
protected:
    void SetUp() override { Tracked::s_live = Tracked::s_misplaced = 0; }
    void TearDown() override {
        EXPECT_EQ(Tracked::s_live, 0);
        EXPECT_EQ(Tracked::s_misplaced, 0);
    }
};

TEST_F(ArrayTest, GrowthFollowsTheStep) {
    const struct {
        int full, growBy, request, capacity;
    } cases[] = {{100, 0, 101, 112},
                 {16, 0, 17, 20},
                 {10000, 0, 10001, 11024},
                 {10, 7, 11, 17},
                 {10, 0, 50, 50}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.full);
        Array<int> a;
        a.SetSize(c.full, c.growBy);
        EXPECT_EQ(a.GetCapacity(), c.full);
        a.SetSize(c.request);
        EXPECT_EQ(std::pair(a.GetSize(), a.GetCapacity()), std::pair(c.request, c.capacity));
    }
}

TEST_F(ArrayTest, SizeChangesAtTheEdges) {
    Array<int> a;
    a.SetSize(0);
    EXPECT_EQ(a.GetCapacity(), 0);
    EXPECT_EQ(a.begin(), a.end());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(a.Add(i + 10), i);
    // Shrinking keeps the storage; growing into it again must start the new elements at zero.
    a.SetSize(2);
    a.SetSize(5);
    EXPECT_EQ(a.GetCapacity(), 5);
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{10, 11, 0, 0, 0}));
    a.SetSize(-5);
    EXPECT_EQ(std::pair(a.GetSize(), a.GetCapacity()), std::pair(0, 0));
    a.SetAtGrow(2, 7);
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{0, 0, 7}));
}

TEST_F(ArrayTest, ElementsSurviveRelocationCopyAndMove) {
    Array<Tracked> a;
    for (int i = 0; i < 5000; ++i)
        a.Add(Tracked(i));
    Array<Tracked> copy(a);
    copy[0] = Tracked(-1);
    EXPECT_EQ(Tracked::s_live, 10000);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(a[i].Value(), i);

    copy.SetSize(1000);
    EXPECT_EQ(Tracked::s_live, 6000);
    const Array<Tracked>& same = copy;
    copy = same;
    a = copy;
    EXPECT_EQ(Tracked::s_live, 2000);
    EXPECT_EQ(a[0].Value(), -1);
    Array<Tracked> moved(std::move(a));
    copy = std::move(moved);
    EXPECT_EQ(Tracked::s_live, 1000);
    EXPECT_EQ(a.GetSize(), 0); // NOLINT(bugprone-use-after-move): the moved-from state is tested.
    EXPECT_EQ(copy[999].Value(), 999);
}

TEST_F(ArrayTest, AddOfOwnElementWhileFull) {
    Array<Tracked> a;
    a.SetSize(16);
    a[15] = Tracked(42);
    EXPECT_EQ(a.Add(a[15]), 16);
    EXPECT_EQ(a.GetCapacity(), 20);
    EXPECT_EQ(a[16].Value(), 42);
    a.SetAtGrow(30, a[16]);
    EXPECT_EQ(a[30].Value(), 42);
    a.SetSize(a.GetCapacity());
    a.Add(std::move(a[30]));
    EXPECT_EQ(a[a.GetSize() - 1].Value(), 42);
}

} // namespace
} // namespace brelvo
