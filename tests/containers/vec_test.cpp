#include "containers/vec.h"

#include "fake_platform.h"

namespace kivo {
namespace {

using Vec = fake::Test;

TEST_F(Vec, NewVectorIsEmptyWithSixteenSlots) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->len, 0);
  EXPECT_EQ(v->cap, 16);
  EXPECT_EQ(v->cap, vec_initial_cap);
  EXPECT_EQ(v->elem_size, 8);
  EXPECT_EQ(fake::live_blocks(), 2);  // header and element block
  EXPECT_EQ(vec_free(v), 0);
}

TEST_F(Vec, RefusesBadSizesAndNullArguments) {
  EXPECT_EQ(vec_new(0), nullptr);
  EXPECT_EQ(vec_new(-1), nullptr);
  EXPECT_EQ(vec_new(INT64_MIN), nullptr);
  EXPECT_EQ(vec_reserve(nullptr, 1), -1);
  EXPECT_EQ(vec_push(nullptr, "x"), -1);
  EXPECT_EQ(vec_at(nullptr, 0), nullptr);
  EXPECT_EQ(vec_free(nullptr), -1);
  EXPECT_EQ(ivec_push(nullptr, 1), -1);
  EXPECT_EQ(ivec_get(nullptr, 0), 0);

  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(vec_push(v, nullptr), -1);
  EXPECT_EQ(v->len, 0);
  vec_free(v);
}

TEST_F(Vec, SeventeenthPushDoublesTheBlockAndKeepsTheOrder) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  for (int64_t i = 0; i < 16; ++i) ASSERT_EQ(ivec_push(v, i * i), 0);
  EXPECT_EQ(v->cap, 16);
  void* first_block = v->data;
  const int64_t before = fake::heap_requests();

  ASSERT_EQ(ivec_push(v, 16 * 16), 0);
  EXPECT_EQ(v->cap, 32);
  EXPECT_NE(v->data, first_block);
  EXPECT_EQ(fake::heap_requests(), before + 1);
  EXPECT_EQ(fake::live_blocks(), 2);  // the old block went back

  for (int64_t i = 17; i < 20; ++i) ASSERT_EQ(ivec_push(v, i * i), 0);
  EXPECT_EQ(v->len, 20);
  for (int64_t i = 0; i < 20; ++i) EXPECT_EQ(ivec_get(v, i), i * i) << i;
  // The 33rd element doubles again.
  for (int64_t i = 20; i < 33; ++i) ASSERT_EQ(ivec_push(v, i), 0);
  EXPECT_EQ(v->cap, 64);
  EXPECT_EQ(ivec_get(v, 19), 361);
  vec_free(v);
}

TEST_F(Vec, ReadsOutsideTheStoredRangeGiveNothing) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  ivec_push(v, 0);
  ivec_push(v, 7);
  EXPECT_EQ(vec_at(v, 2), nullptr);
  EXPECT_EQ(vec_at(v, -1), nullptr);
  EXPECT_EQ(vec_at(v, INT64_MAX), nullptr);
  EXPECT_EQ(ivec_get(v, -1), 0);
  EXPECT_EQ(ivec_get(v, 2), 0);
  EXPECT_EQ(ivec_get(v, 1), 7);
  EXPECT_EQ(static_cast<char*>(vec_at(v, 1)), static_cast<char*>(v->data) + 8);
  vec_free(v);
}

TEST_F(Vec, ReserveAlwaysMovesToAtLeastTwiceTheCapacity) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  ivec_push(v, 42);
  void* old = v->data;
  ASSERT_EQ(vec_reserve(v, 1), 0);
  EXPECT_EQ(v->cap, 32);
  EXPECT_NE(v->data, old);
  EXPECT_EQ(ivec_get(v, 0), 42);

  ASSERT_EQ(vec_reserve(v, 100), 0);
  EXPECT_EQ(v->cap, 100);
  ASSERT_EQ(vec_reserve(v, -5), 0);
  EXPECT_EQ(v->cap, 200);
  EXPECT_EQ(v->len, 1);
  EXPECT_EQ(ivec_get(v, 0), 42);
  EXPECT_EQ(fake::live_blocks(), 2);
  vec_free(v);
}

TEST_F(Vec, EmptyVectorStillMovesAndReleasesItsBlock) {
  vec* v = vec_new(3);
  ASSERT_NE(v, nullptr);
  ASSERT_EQ(vec_reserve(v, 0), 0);
  EXPECT_EQ(v->cap, 32);
  EXPECT_EQ(fake::live_blocks(), 2);
  vec_free(v);
}

TEST_F(Vec, FailedGrowthLeavesTheVectorAsItWas) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  for (int64_t i = 0; i < 16; ++i) ivec_push(v, i);
  void* data = v->data;
  fake::fail_request(1);
  EXPECT_EQ(ivec_push(v, 99), -1);
  EXPECT_EQ(v->data, data);
  EXPECT_EQ(v->len, 16);
  EXPECT_EQ(v->cap, 16);
  EXPECT_EQ(ivec_get(v, 15), 15);
  // The next request is granted again, and the push goes through.
  EXPECT_EQ(ivec_push(v, 99), 0);
  EXPECT_EQ(ivec_get(v, 16), 99);
  vec_free(v);
}

TEST_F(Vec, FailedAllocationInNewReleasesWhatItTook) {
  fake::fail_request(1);
  EXPECT_EQ(vec_new(8), nullptr);
  fake::fail_request(2);
  EXPECT_EQ(vec_new(8), nullptr);
  EXPECT_EQ(fake::live_blocks(), 0);
}

TEST_F(Vec, ElementsOfAnySizeAreCopiedByValue) {
  struct Triple {
    char c[3];
  };
  vec* v = vec_new(sizeof(Triple));
  ASSERT_NE(v, nullptr);
  for (char i = 0; i < 20; ++i) {
    Triple t{{i, static_cast<char>(i + 1), static_cast<char>(i + 2)}};
    ASSERT_EQ(vec_push(v, &t), 0);
    t.c[0] = 99;  // the vector keeps its own copy
  }
  for (char i = 0; i < 20; ++i) {
    const auto* t = static_cast<const Triple*>(vec_at(v, i));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->c[0], i);
    EXPECT_EQ(t->c[2], i + 2);
  }
  vec_free(v);
}

// The vector's own elements, pushed again while it has to grow: the old block is released
// by the growth, so the value must be read from the new one.
TEST_F(Vec, PushingItsOwnElementWhileGrowingKeepsTheValue) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  for (int64_t i = 0; i < 16; ++i) ivec_push(v, 1000 + i);
  ASSERT_EQ(vec_push(v, vec_at(v, 5)), 0);
  EXPECT_EQ(v->cap, 32);
  EXPECT_EQ(ivec_get(v, 16), 1005);
  for (int64_t i = 17; i < 32; ++i) ivec_push(v, i);
  ASSERT_EQ(vec_push(v, vec_at(v, 31)), 0);
  EXPECT_EQ(ivec_get(v, 32), 31);
  ASSERT_EQ(vec_push(v, vec_at(v, 0)), 0);  // no growth here
  EXPECT_EQ(ivec_get(v, 33), 1000);
  vec_free(v);
}

TEST_F(Vec, IntegerLayerRefusesOtherElementSizes) {
  vec* wide = vec_new(16);
  vec* narrow = vec_new(4);
  ASSERT_NE(wide, nullptr);
  ASSERT_NE(narrow, nullptr);
  EXPECT_EQ(ivec_push(wide, 1), -1);
  EXPECT_EQ(ivec_push(narrow, 1), -1);
  const char raw[16] = {5};
  ASSERT_EQ(vec_push(narrow, raw), 0);
  EXPECT_EQ(ivec_get(narrow, 0), 0);
  vec_free(wide);
  vec_free(narrow);
}

// Sizes whose products do not fit in 64 bits: a wrapped product would be a short block.
TEST_F(Vec, SizesBeyondSixtyFourBitsFailInsteadOfWrapping) {
  const int64_t before = fake::heap_requests();
  EXPECT_EQ(vec_new((int64_t{1} << 60) + 1), nullptr);  // times 16 wraps to 16
  EXPECT_EQ(vec_new(INT64_MAX), nullptr);
  EXPECT_EQ(fake::heap_requests(), before);

  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  ivec_push(v, 1);
  ivec_push(v, 2);
  void* data = v->data;
  const int64_t requests = fake::heap_requests();
  EXPECT_EQ(vec_reserve(v, (int64_t{1} << 61) + 1), -1);  // times 8 wraps to 8
  EXPECT_EQ(vec_reserve(v, INT64_MAX), -1);
  EXPECT_EQ(fake::heap_requests(), requests);
  EXPECT_EQ(v->data, data);
  EXPECT_EQ(v->cap, 16);
  EXPECT_EQ(v->len, 2);

  // A capacity whose double does not fit.
  v->cap = (int64_t{1} << 62) + 1;
  v->elem_size = 1;
  EXPECT_EQ(vec_reserve(v, 0), -1);
  EXPECT_EQ(fake::heap_requests(), requests);
  v->cap = 16;
  v->elem_size = 8;
  EXPECT_EQ(ivec_get(v, 1), 2);
  vec_free(v);
}

// The fields are public and the driver stores into them; a record that no longer holds
// together is refused rather than used to compute addresses.
TEST_F(Vec, InconsistentFieldsAreRefused) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  ivec_push(v, 5);
  v->len = -1;
  EXPECT_EQ(ivec_push(v, 1), -1);
  EXPECT_EQ(vec_reserve(v, 0), -1);
  v->len = 17;  // more than the 16 slots
  EXPECT_EQ(vec_at(v, 16), nullptr);
  EXPECT_EQ(ivec_push(v, 1), -1);
  v->len = 1;
  v->elem_size = 0;
  EXPECT_EQ(vec_at(v, 0), nullptr);
  EXPECT_EQ(vec_push(v, "x"), -1);
  v->elem_size = 8;
  EXPECT_EQ(ivec_get(v, 0), 5);
  vec_free(v);
}

}  // namespace
}  // namespace kivo
