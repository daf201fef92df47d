// The node table: the hash, probing and matching, roots, clearing, the
// index's growth, the packing of a record, and the sizes of the tables. The tests use the
// process's one reservation of the tables.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "solver/search_internal.h"

namespace vk {

namespace {

struct TableTest : ::testing::Test {
  NodeTable* table = nullptr;
  int8_t board[MaxArea] = {};

  void SetUp() override {
    ASSERT_TRUE(reserve_search_tables());
    table = &search_tables()->work->table;
    clear_node_table(*table, 2);
  }
  void place(std::initializer_list<int32_t> cells) {
    std::memset(board, FreeCell, sizeof board);
    for (int32_t c : cells) board[c] = BoxCell;
  }
};

TEST(SearchNodeTest, PacksEveryFieldAtItsLargestValueInto24Bytes) {
  static_assert(sizeof(SearchNode) == 24);
  // The largest tables still have room for their record numbers and positions.
  TableSize largest = table_size(LargestMemory);
  EXPECT_GT(NoParent, uint32_t(largest.nodeLimit + SeedRecords - 1));
  EXPECT_LE(int64_t(largest.bucketCapacity) - 1, int64_t(field_mask(PositionBits)));
  int32_t boxes[MaxBoxes] = {2047, 1, 2046, 3, 2045, 5, 2044, 7};
  SearchNode node{};
  pack_node(node, boxes, MaxBoxes, 2047, NoParent, CostLimit);
  set_node_position(node, int32_t(field_mask(PositionBits)));
  for (int32_t i = 0; i < MaxBoxes; i++) EXPECT_EQ(node_box(node, i), boxes[i]) << i;
  EXPECT_EQ(node_keeper(node), 2047);
  EXPECT_EQ(node_parent(node), NoParent);
  EXPECT_EQ(node_cost(node), CostLimit);
  EXPECT_EQ(node_position(node), int32_t(field_mask(PositionBits)));
  EXPECT_GE(CostLimit, (1 << 28) - 1);

  // Improving touches cost and parent only; a cost beyond 16 bits is whole.
  set_cost_parent(node, 40000, 7);
  EXPECT_EQ(node_cost(node), 40000);
  EXPECT_EQ(node_parent(node), 7u);
  EXPECT_EQ(node_keeper(node), 2047);
  EXPECT_EQ(node_position(node), int32_t(field_mask(PositionBits)));
  for (int32_t i = 0; i < MaxBoxes; i++) EXPECT_EQ(node_box(node, i), boxes[i]) << i;
}

TEST(SearchNodeTest, TheDefaultSizeGivesTheFixedLimitsAndOthersScaleThem) {
  TableSize size = table_size(DefaultMemory);
  EXPECT_EQ(size.slots, TableSlots);
  EXPECT_EQ(size.nodeLimit, NodeLimit);
  EXPECT_EQ(size.bucketCapacity, BucketCapacity);
  size = table_size(1216000000);
  EXPECT_EQ(size.slots, 2 * TableSlots);
  EXPECT_EQ(size.nodeLimit, 2 * NodeLimit);
  EXPECT_EQ(size.bucketCapacity, 2 * BucketCapacity);
  // floor(16,800,000 f) and so on, for f = 16G / 608M.
  size = table_size(LargestMemory);
  EXPECT_EQ(size.slots, 442105263);
  EXPECT_EQ(size.nodeLimit, 368421052);
  EXPECT_EQ(size.bucketCapacity, 21052631);
  // Both tables fill the size to within a record and a bucket entry each.
  int64_t used = int64_t(size.slots) * 24 + int64_t(size.bucketCapacity) * 64 * 4;
  EXPECT_LE(used, LargestMemory);
  EXPECT_GT(used + 24 + 64 * 4, LargestMemory);
}

TEST(SearchNodeTest, MemorySizesTakeDecimalSuffixesWithinTheirRange) {
  int64_t bytes = 0;
  EXPECT_TRUE(parse_memory_size("608M", bytes));
  EXPECT_EQ(bytes, DefaultMemory);
  EXPECT_TRUE(parse_memory_size("4g", bytes));
  EXPECT_EQ(bytes, 4000000000);
  EXPECT_TRUE(parse_memory_size("16000k", bytes));
  EXPECT_EQ(bytes, SmallestMemory);
  EXPECT_TRUE(parse_memory_size("16G", bytes));
  EXPECT_TRUE(parse_memory_size("16000000", bytes));
  for (const char* bad : {"", "M", "15M", "17G", "16001M", "4GB", "-4G", "4.5G", " 4G",
                          "99999999999999999999"})
    EXPECT_FALSE(parse_memory_size(bad, bytes)) << bad;
}

TEST(SearchNodeTest, TheHashIgnoresTheBoxOrderAndFollowsOneMovedBox) {
  int32_t boxes[] = {50, 60, 70};
  int32_t swapped[] = {70, 50, 60};
  EXPECT_EQ(state_hash(100, boxes, 3), state_hash(100, swapped, 3));
  EXPECT_NE(state_hash(100, boxes, 3), state_hash(101, boxes, 3));
  // A child's hash from its parent's: one box key out, one in.
  int32_t moved[] = {50, 63, 70};
  EXPECT_EQ(boxes_hash(boxes, 3) - box_key(60) + box_key(63) + keeper_key(64),
            state_hash(64, moved, 3));
  // A box and a keeper on the same cell count differently.
  int32_t one[] = {100};
  EXPECT_NE(state_hash(101, one, 1), state_hash(100, std::array<int32_t, 1>{101}.data(), 1));
}

TEST_F(TableTest, AfterAClearEveryLookupEndsAtItsHome) {
  int32_t boxes[] = {50, 60};
  place({50, 60});
  uint64_t hash = state_hash(100, boxes, 2);
  uint32_t slot = lookup_node(*table, hash, 100, board);
  EXPECT_EQ(slot, home_slot(*table, hash));
  add_node(*table, slot, hash, boxes, 100, 1, 5);
  EXPECT_EQ(slot_record(*table, lookup_node(*table, hash, 100, board)), 0u);
  clear_node_table(*table, 2);
  EXPECT_EQ(table->count, 0u);
  EXPECT_EQ(table->indexSize, FirstIndexSize);
  EXPECT_EQ(lookup_node(*table, hash, 100, board), home_slot(*table, hash));
  EXPECT_EQ(slot_record(*table, home_slot(*table, hash)), NoRecord);
}

TEST_F(TableTest, FindsTheSameBoxesListedInAnotherOrder) {
  int32_t boxes[] = {50, 60};
  int32_t swapped[] = {60, 50};
  place({50, 60});
  uint64_t hash = state_hash(100, boxes, 2);
  uint32_t record = add_node(*table, lookup_node(*table, hash, 100, board), hash, boxes, 100, 3, 9);
  uint32_t found = lookup_node(*table, state_hash(100, swapped, 2), 100, board);
  EXPECT_EQ(slot_record(*table, found), record);
  EXPECT_EQ(node_cost(table->records[record]), 9);
}

TEST_F(TableTest, StatesThatDifferInTheKeeperOnlyTakeTwoRecords) {
  int32_t boxes[] = {50, 60};
  place({50, 60});
  uint64_t a = state_hash(100, boxes, 2), b = state_hash(101, boxes, 2);
  uint32_t first = add_node(*table, lookup_node(*table, a, 100, board), a, boxes, 100, 3, 9);
  uint32_t slot = lookup_node(*table, b, 101, board);
  EXPECT_EQ(slot_record(*table, slot), NoRecord);
  uint32_t second = add_node(*table, slot, b, boxes, 101, 3, 9);
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(second, 1u);
  // Other boxes with the same keeper are another state too.
  place({50, 61});
  EXPECT_EQ(slot_record(*table, lookup_node(*table, a, 100, board)), NoRecord);
}

TEST_F(TableTest, ARootIsNeverMatched) {
  int32_t boxes[] = {50, 60};
  place({50, 60});
  uint64_t hash = state_hash(100, boxes, 2);
  uint32_t root = add_root(*table, boxes, 100);
  EXPECT_EQ(node_parent(table->records[root]), NoParent);
  EXPECT_EQ(slot_record(*table, lookup_node(*table, hash, 100, board)), NoRecord);
  // A record of the same state behind the root is found.
  uint32_t record = add_node(*table, lookup_node(*table, hash, 100, board), hash, boxes, 100, root, 4);
  EXPECT_EQ(record, root + 1);
  EXPECT_EQ(slot_record(*table, lookup_node(*table, hash, 100, board)), record);
}

TEST_F(TableTest, ProbingWrapsFromTheLastSlotOfThePrefixToSlotZero) {
  // Two keepers beside one box whose states have their home in the
  // prefix's last slot.
  int32_t box[] = {0};
  std::vector<int32_t> keepers;
  for (box[0] = 0; box[0] < MaxArea && keepers.size() < 2; box[0]++) {
    keepers.clear();
    for (int32_t k = 0; k < MaxArea && keepers.size() < 2; k++)
      if (k != box[0] && home_slot(*table, state_hash(k, box, 1)) == FirstIndexSize - 1)
        keepers.push_back(k);
  }
  box[0]--;
  place({box[0]});
  ASSERT_EQ(keepers.size(), 2u);
  clear_node_table(*table, 1);
  uint64_t a = state_hash(keepers[0], box, 1), b = state_hash(keepers[1], box, 1);
  add_node(*table, lookup_node(*table, a, keepers[0], board), a, box, keepers[0], 1, 2);
  uint32_t slot = lookup_node(*table, b, keepers[1], board);
  EXPECT_EQ(slot, 0u);
  // The prefetch's guess passes a foreign fingerprint and stops at the empty
  // slot beyond the wrap.
  EXPECT_EQ(probe_record(*table, b), NoRecord);
  add_node(*table, slot, b, box, keepers[1], 1, 3);
  EXPECT_EQ(slot_record(*table, lookup_node(*table, b, keepers[1], board)), 1u);
  EXPECT_EQ(slot_record(*table, lookup_node(*table, a, keepers[0], board)), 0u);
  // Past the home slot and across the wrap it names the record the lookup finds.
  EXPECT_EQ(probe_record(*table, b), 1u);
  EXPECT_EQ(probe_record(*table, a), 0u);
}

TEST_F(TableTest, TheIndexDoublesWhenHalfFullAndStillFindsEveryRecordButTheRoots) {
  // One box and every keeper cell, then a second box cell: 4,000 states.
  clear_node_table(*table, 1);
  uint32_t root = add_root(*table, std::array<int32_t, 1>{7}.data(), 8);
  for (int32_t cell : {5, 6}) {
    place({cell});
    int32_t box[] = {cell};
    for (int32_t k = 0; k < MaxArea; k++) {
      uint64_t hash = state_hash(k, box, 1);
      uint32_t slot = lookup_node(*table, hash, k, board);
      ASSERT_EQ(slot_record(*table, slot), NoRecord) << k;
      add_node(*table, slot, hash, box, k, root, k);
      ASSERT_LE(table->indexed * 2, table->indexSize) << k;
    }
  }
  EXPECT_EQ(table->indexSize, 2 * FirstIndexSize);
  EXPECT_EQ(table->indexed, uint32_t(2 * MaxArea));
  for (int32_t cell : {5, 6}) {
    place({cell});
    int32_t box[] = {cell};
    for (int32_t k = 0; k < MaxArea; k++) {
      uint32_t record = slot_record(*table, lookup_node(*table, state_hash(k, box, 1), k, board));
      ASSERT_NE(record, NoRecord) << k;
      EXPECT_EQ(node_keeper(table->records[record]), k);
      EXPECT_EQ(node_box(table->records[record], 0), cell);
    }
  }
  // The root's state is not found though it is in the table.
  place({7});
  EXPECT_EQ(slot_record(*table, lookup_node(*table, state_hash(8, std::array<int32_t, 1>{7}.data(), 1), 8, board)),
            NoRecord);
}

TEST(NodeTableSize, EntriesHoldEveryRecordNumberBesideAFingerprint) {
  // The default tables: 14,000,064 records need 24 bits, 8 bits remain.
  NodeTable table;
  set_up_node_table(table, nullptr, uint32_t(NodeLimit + SeedRecords), nullptr, TableSlots);
  EXPECT_EQ(table.recordBits, 24);
  // The largest: 368,421,116 records in 29 bits.
  TableSize largest = table_size(LargestMemory);
  set_up_node_table(table, nullptr, uint32_t(largest.nodeLimit + SeedRecords), nullptr,
                    uint32_t(largest.slots));
  EXPECT_EQ(table.recordBits, 29);
  // Every table has more index slots than records, so no probe runs forever.
  for (int64_t bytes : {int64_t(100000), SmallestMemory, DefaultMemory, LargestMemory}) {
    TableSize size = table_size(bytes);
    EXPECT_GT(size.slots, size.nodeLimit + SeedRecords) << bytes;
  }
}

}  // namespace

}  // namespace vk
