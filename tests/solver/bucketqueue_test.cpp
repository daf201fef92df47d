// The bucket queue: passes over a bucket, holes, the bound, compaction and
// the queue-fill indicator. Records are numbers of the shared node table,
// whose cost field Pop reads.
#include <gtest/gtest.h>

#include <vector>

#include "solver/search_internal.h"

namespace vk {

namespace {

struct QueueTest : ::testing::Test {
  NodeTable* table = nullptr;
  BucketQueue* queue = nullptr;

  void SetUp() override {
    ASSERT_TRUE(reserve_search_tables());
    table = &search_tables()->work->table;
    queue = &search_tables()->work->queue;
    clear_node_table(*table, 1);
    reset_queue(*queue);
  }
  // A record of the given cost, queued under it.
  void add(uint32_t record, int32_t cost, uint32_t parent = 0) {
    int32_t box[] = {7};
    pack_node(table->records[record], box, 1, 9, parent, cost);
    ASSERT_TRUE(queue_insert(*queue, record, cost));
  }
  void rekey(uint32_t record, int32_t cost) {
    int32_t old = node_cost(table->records[record]);
    set_cost_parent(table->records[record], cost, 0);
    ASSERT_TRUE(queue_rekey(*queue, record, old, cost));
  }
  uint32_t pop(int32_t best = 0) { return queue_pop(*queue, best); }
  const uint32_t* bucket(int32_t b) const { return queue->entries + size_t(b) * BucketCapacity; }
};

TEST_F(QueueTest, AnEmptyQueueHandsOutNothingAndKeepsItsCost) {
  EXPECT_EQ(pop(), NoRecord);
  EXPECT_EQ(queue->cost, 0);
}

TEST_F(QueueTest, WalksThroughEmptyBucketsToTheNextCost) {
  add(1, 5);
  EXPECT_EQ(pop(), 1u);
  EXPECT_EQ(queue->cost, 5);
  EXPECT_EQ(queue->open, 0);
}

TEST_F(QueueTest, ARecordOfCost70SharesBucket6AndWaitsForItsPass) {
  add(1, 6);
  EXPECT_EQ(pop(), 1u);
  add(2, 70);
  add(3, 6);
  EXPECT_EQ(pop(), 3u);
  // The pass for cost 6 packed the cost-70 record to the front.
  EXPECT_EQ(bucket(6)[0], 2u);
  EXPECT_EQ(queue->write, 1);
  EXPECT_EQ(pop(), 2u);
  EXPECT_EQ(queue->cost, 70);
}

TEST_F(QueueTest, RekeyLeavesAHoleAndMovesTheRecord) {
  add(1, 70);
  rekey(1, 66);
  EXPECT_EQ(queue->open, 1);
  EXPECT_EQ(queue->fill[6], 1);
  EXPECT_EQ(bucket(6)[0], NoRecord);
  EXPECT_EQ(queue->fill[2], 1);
  EXPECT_EQ(bucket(2)[0], 1u);
  EXPECT_EQ(pop(), 1u);
  EXPECT_EQ(queue->cost, 66);
}

TEST_F(QueueTest, FinishingTheCostBelowTheBestEndsTheSearch) {
  add(1, 39);
  add(2, 40);
  EXPECT_EQ(pop(40), 1u);
  EXPECT_EQ(pop(40), NoRecord);
  EXPECT_EQ(queue->cost, 40);
  // The cost-40 record was never looked at.
  EXPECT_EQ(queue->open, 1);
  EXPECT_EQ(bucket(40)[0], 2u);
}

TEST_F(QueueTest, TheIndicatorFollowsTheFullestBucket) {
  add(1, 3);
  add(2, 3);
  add(3, 4);
  EXPECT_EQ(queue->indicator, 2);
  // A rekey leaves the hole in place: the fill stays, and so does the indicator.
  rekey(1, 5);
  EXPECT_EQ(queue->fill[3], 2);
  EXPECT_EQ(queue->indicator, 2);
}

TEST_F(QueueTest, AFullBucketTakesAnotherRecordOnlyWhenItHoldsAHole) {
  for (uint32_t r = 1; r <= uint32_t(BucketCapacity); r++) add(r, 5);
  EXPECT_EQ(queue->indicator, BucketCapacity);
  // No hole: refused, entries unchanged.
  EXPECT_FALSE(queue_insert(*queue, BucketCapacity + 1, 5));
  EXPECT_EQ(queue->open, BucketCapacity);
  EXPECT_EQ(queue->fill[5], BucketCapacity);
  EXPECT_EQ(queue->indicator, BucketCapacity);
  EXPECT_EQ(bucket(5)[BucketCapacity - 1], uint32_t(BucketCapacity));
  // Records moved away leave the holes the next inserts need. The
  // compaction sets the indicator to the new fill, below the old one.
  rekey(17, 6);
  rekey(40, 6);
  EXPECT_EQ(compact_bucket(*queue, 5), 2);
  EXPECT_EQ(queue->indicator, BucketCapacity - 2);
  EXPECT_EQ(bucket(5)[38], 41u);
  EXPECT_TRUE(queue_insert(*queue, BucketCapacity + 1, 5));
  EXPECT_EQ(queue->indicator, BucketCapacity - 1);
  EXPECT_TRUE(queue_insert(*queue, BucketCapacity + 2, 5));
  EXPECT_EQ(queue->fill[5], BucketCapacity);
  EXPECT_EQ(bucket(5)[15], 16u);
  EXPECT_EQ(bucket(5)[16], 18u);
  EXPECT_EQ(bucket(5)[BucketCapacity - 1], uint32_t(BucketCapacity + 2));
  EXPECT_EQ(queue->open, BucketCapacity + 2);
}

TEST_F(QueueTest, CompactingTheCurrentBucketMidPassKeepsTheOrder) {
  // Bucket 0, full: every fourth record costs 0, the others 64.
  std::vector<uint32_t> zero, later;
  for (uint32_t i = 0; i < uint32_t(BucketCapacity); i++) {
    uint32_t record = i + 1;
    add(record, i % 4 == 0 ? 0 : 64);
    (i % 4 == 0 ? zero : later).push_back(record);
  }
  EXPECT_EQ(pop(), 1u);
  EXPECT_EQ(pop(), 5u);
  EXPECT_EQ(pop(), 9u);
  EXPECT_EQ(queue->read, 9);
  EXPECT_EQ(queue->write, 6);
  // A hole among the passed records and one among the unseen ones.
  rekey(3, 65);
  rekey(20, 65);
  add(BucketCapacity + 1, 64);
  EXPECT_EQ(queue->write, 5);
  EXPECT_EQ(queue->read, 5);
  EXPECT_EQ(queue->fill[0], BucketCapacity - 4);
  EXPECT_EQ(queue->indicator, BucketCapacity - 4);

  for (size_t k = 3; k < zero.size(); k++) ASSERT_EQ(pop(), zero[k]) << k;
  later.push_back(BucketCapacity + 1);
  for (uint32_t record : later) {
    if (record == 3 || record == 20) continue;
    ASSERT_EQ(pop(), record);
    ASSERT_EQ(queue->cost, 64);
  }
  EXPECT_EQ(pop(), 3u);
  EXPECT_EQ(pop(), 20u);
  EXPECT_EQ(queue->cost, 65);
  EXPECT_EQ(pop(), NoRecord);
}

TEST_F(QueueTest, RekeyFindsItsEntryInABigBucketWhateverTheRecordsParent) {
  // Slot 1 costs 0, slot 2 costs 1: the parents of two groups of children
  // of cost 5, queued while the queue's cost was 0 and then 1.
  int32_t box[] = {7};
  pack_node(table->records[1], box, 1, 9, 0, 0);
  constexpr uint32_t Group = 5000;
  for (uint32_t r = 10; r < 10 + Group; r++) add(r, 5, 1);
  add(2, 1, 1);
  EXPECT_EQ(pop(), 2u);
  for (uint32_t r = 10 + Group; r < 10 + 2 * Group; r++) add(r, 5, 2);
  rekey(10 + Group + 7, 6);
  EXPECT_EQ(bucket(5)[Group + 7], NoRecord);
  rekey(10 + 3, 6);
  EXPECT_EQ(bucket(5)[3], NoRecord);
  // A parent that does not tell when the record was queued costs a longer
  // search, never a wrong one.
  set_cost_parent(table->records[10 + Group + 9], 5, 1);
  rekey(10 + Group + 9, 6);
  EXPECT_EQ(bucket(5)[Group + 9], NoRecord);
  set_cost_parent(table->records[10 + 11], 5, 2);
  rekey(10 + 11, 6);
  EXPECT_EQ(bucket(5)[11], NoRecord);
  EXPECT_EQ(queue->fill[5], int32_t(2 * Group));
  EXPECT_EQ(queue->fill[6], 4);
  EXPECT_EQ(queue->open, int32_t(2 * Group));
}

TEST_F(QueueTest, PeekNamesTheNextPopPastHolesAndLaterCostsAndChangesNothing) {
  add(1, 3);
  add(2, 3);
  add(3, 67);  // bucket 3, a later cost
  add(4, 3);
  add(5, 3);
  EXPECT_EQ(pop(), 1u);
  rekey(2, 4);  // a hole
  const int32_t read = queue->read, write = queue->write, open = queue->open;
  EXPECT_EQ(queue_peek(*queue), 4u);
  EXPECT_EQ(queue->read, read);
  EXPECT_EQ(queue->write, write);
  EXPECT_EQ(queue->open, open);
  EXPECT_EQ(bucket(3)[2], 3u);
  EXPECT_EQ(pop(), 4u);
  EXPECT_EQ(queue_peek(*queue), 5u);
  EXPECT_EQ(pop(), 5u);
  // Only the later cost is left in the bucket: nothing to peek at.
  EXPECT_EQ(queue_peek(*queue), NoRecord);
  EXPECT_EQ(pop(), 2u);
  EXPECT_EQ(queue->cost, 4);
  EXPECT_EQ(queue_peek(*queue), NoRecord);
}

TEST_F(QueueTest, PeekLooksOnlyAFewEntriesAhead) {
  add(1, 2);
  for (uint32_t r = 10; r < 40; r++) add(r, 66);
  add(2, 2);
  EXPECT_EQ(pop(), 1u);
  // The next record of cost 2 lies 30 entries on: peeking gives up.
  EXPECT_EQ(queue_peek(*queue), NoRecord);
  EXPECT_EQ(pop(), 2u);
}

TEST_F(QueueTest, APeekedRecordStaysNextThroughInsertsRekeysAndAMidPassCompaction) {
  // What the search's look-ahead relies on: records of later costs come and
  // go, the current bucket is packed, and the peeked record is still the
  // next one handed out.
  for (uint32_t i = 0; i < uint32_t(BucketCapacity); i++) add(i + 1, i % 2 == 0 ? 0 : 64);
  EXPECT_EQ(pop(), 1u);
  EXPECT_EQ(queue_peek(*queue), 3u);
  rekey(2, 65);
  rekey(4, 1);
  add(BucketCapacity + 1, 64);  // the bucket is full: packed mid-pass
  EXPECT_EQ(queue->fill[0], BucketCapacity - 2);
  EXPECT_EQ(queue_peek(*queue), 3u);
  EXPECT_EQ(pop(), 3u);
  EXPECT_EQ(queue_peek(*queue), 5u);
}

}  // namespace

}  // namespace vk
