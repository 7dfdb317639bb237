#include "containers/vec.h"

#include "fake_platform.h"

namespace kivo {
namespace {

using Vec = fake::Test;

TEST_F(Vec, RefusesBadSizesAndNullArguments) {
  EXPECT_EQ(vec_new(0), nullptr);
  EXPECT_EQ(vec_new(-1), nullptr);
  EXPECT_EQ(vec_reserve(nullptr, 1), -1);
  EXPECT_EQ(vec_push(nullptr, "x"), -1);
  EXPECT_EQ(vec_at(nullptr, 0), nullptr);
  EXPECT_EQ(vec_free(nullptr), -1);
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
  EXPECT_EQ(v->cap, vec_initial_cap);
  for (int64_t i = 0; i < 16; ++i) ASSERT_EQ(ivec_push(v, i * i), 0);
  EXPECT_EQ(v->cap, 16);
  void* first_block = v->data;

  ASSERT_EQ(ivec_push(v, 16 * 16), 0);
  EXPECT_EQ(v->cap, 32);
  EXPECT_NE(v->data, first_block);
  EXPECT_EQ(fake::live_blocks(), 2);  // the old block went back

  for (int64_t i = 17; i < 20; ++i) ASSERT_EQ(ivec_push(v, i * i), 0);
  EXPECT_EQ(v->len, 20);
  for (int64_t i = 0; i < 20; ++i) EXPECT_EQ(ivec_get(v, i), i * i) << i;
  EXPECT_EQ(vec_at(v, 20), nullptr);
  EXPECT_EQ(vec_at(v, -1), nullptr);
  EXPECT_EQ(ivec_get(v, -1), 0);
  vec_free(v);
}

TEST_F(Vec, ReserveAlwaysMovesToAtLeastTwiceTheCapacity) {
  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  ASSERT_EQ(vec_reserve(v, 0), 0);  // empty: still a new block
  EXPECT_EQ(v->cap, 32);
  ivec_push(v, 42);
  void* old = v->data;
  ASSERT_EQ(vec_reserve(v, 1), 0);
  EXPECT_EQ(v->cap, 64);
  EXPECT_NE(v->data, old);
  ASSERT_EQ(vec_reserve(v, 1000), 0);
  EXPECT_EQ(v->cap, 1000);
  EXPECT_EQ(v->len, 1);
  EXPECT_EQ(ivec_get(v, 0), 42);
  EXPECT_EQ(fake::live_blocks(), 2);
  vec_free(v);
}

TEST_F(Vec, FailedAllocationsLeaveNothingBehind) {
  fake::fail_request(1);
  EXPECT_EQ(vec_new(8), nullptr);
  fake::fail_request(2);
  EXPECT_EQ(vec_new(8), nullptr);
  EXPECT_EQ(fake::live_blocks(), 0);

  vec* v = vec_new(8);
  ASSERT_NE(v, nullptr);
  for (int64_t i = 0; i < 16; ++i) ivec_push(v, i);
  void* data = v->data;
  fake::fail_request(1);
  EXPECT_EQ(ivec_push(v, 99), -1);
  EXPECT_EQ(v->data, data);
  EXPECT_EQ(v->len, 16);
  EXPECT_EQ(v->cap, 16);
  EXPECT_EQ(ivec_push(v, 99), 0);
  EXPECT_EQ(ivec_get(v, 16), 99);
  vec_free(v);
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
  }
  for (char i = 0; i < 20; ++i) {
    const auto* t = static_cast<const Triple*>(vec_at(v, i));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->c[0], i);
    EXPECT_EQ(t->c[2], i + 2);
  }
  vec_free(v);
}

// The vector's own element, pushed again while it has to grow: growing releases the block
// the element lives in, so the value must come from the new one.
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

// The integer layer moves eight bytes: a wider element would read past its local value.
TEST_F(Vec, IntegerLayerRefusesOtherElementSizes) {
  vec* wide = vec_new(16);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(ivec_push(wide, 1), -1);
  const char raw[16] = {5};
  ASSERT_EQ(vec_push(wide, raw), 0);
  EXPECT_EQ(ivec_get(wide, 0), 0);
  vec_free(wide);
}

// Products that do not fit in 64 bits would wrap to a short block that the elements overrun.
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
  v->cap = (int64_t{1} << 62) + 1;  // a capacity whose double does not fit
  v->elem_size = 1;
  EXPECT_EQ(vec_reserve(v, 0), -1);
  EXPECT_EQ(fake::heap_requests(), requests);
  v->cap = 16;
  v->elem_size = 8;
  EXPECT_EQ(v->data, data);
  EXPECT_EQ(v->len, 2);
  EXPECT_EQ(ivec_get(v, 1), 2);
  vec_free(v);
}

// The fields are public; a record that no longer holds together is refused rather than
// used to compute addresses.
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
  EXPECT_EQ(vec_push(v, "x"), -1);
  v->elem_size = 8;
  EXPECT_EQ(ivec_get(v, 0), 5);
  vec_free(v);
}

}  // namespace
}  // namespace kivo
