// The node table: the hash, probing and matching, roots, clearing, and the
// packing of a record, and the sizes of the tables. The tests use the
// process's one reservation of the tables.
#include <gtest/gtest.h>

#include <cstring>

#include "solver/solver.h"

namespace vk {

namespace {

struct TableTest : ::testing::Test {
  NodeTable* table = nullptr;
  int8_t board[MaxArea] = {};

  void SetUp() override {
    ASSERT_TRUE(reserve_search_tables());
    table = &search_tables()->table;
    clear_node_table(*table);
  }
  void place(std::initializer_list<int32_t> cells) {
    std::memset(board, FreeCell, sizeof board);
    for (int32_t c : cells) board[c] = BoxCell;
  }
};

TEST(SearchNodeTest, PacksEveryFieldAtItsLargestValueInto24Bytes) {
  static_assert(sizeof(SearchNode) == 24);
  // The largest tables still have room for their slot numbers and positions.
  TableSize largest = table_size(LargestMemory);
  EXPECT_GT(NoParent, uint32_t(largest.slots - 1));
  EXPECT_LE(int64_t(largest.bucketCapacity) - 1, int64_t(field_mask(PositionBits)));
  int32_t boxes[MaxBoxes] = {2047, 1, 2046, 3, 2045, 5, 2044, 7};
  SearchNode node{};
  pack_node(node, boxes, MaxBoxes, 2047, NoParent, CostLimit, LastSolveGeneration);
  set_node_position(node, int32_t(field_mask(PositionBits)));
  for (int32_t i = 0; i < MaxBoxes; i++) EXPECT_EQ(node_box(node, i), boxes[i]) << i;
  EXPECT_EQ(node_keeper(node), 2047);
  EXPECT_EQ(node_parent(node), NoParent);
  EXPECT_EQ(node_cost(node), CostLimit);
  EXPECT_EQ(node_generation(node), LastSolveGeneration);
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

TEST(SearchNodeTest, HashMatchesTheWorkedExampleInAnyBoxOrder) {
  NodeTable table;
  table.slotCount = TableSlots;
  int32_t boxes[] = {50, 60};
  int32_t swapped[] = {60, 50};
  EXPECT_EQ(home_slot(table, 100, boxes, 2), 3140740u);
  EXPECT_EQ(home_slot(table, 100, swapped, 2), 3140740u);
  // The sum stands in for the exclusive-or when that is 0.
  int32_t same[] = {5, 5};
  uint32_t s = 0 * 8 + 10, p = 0;
  EXPECT_EQ(home_slot(table, 0, same, 2), (p + s * s) % uint32_t(TableSlots));
}

TEST_F(TableTest, AfterAClearEveryLookupEndsAtItsHome) {
  int32_t boxes[] = {50, 60};
  place({50, 60});
  uint32_t home = home_slot(*table, 100, boxes, 2);
  fill_node(*table, home, boxes, 2, 100, 1, 5);
  fill_node(*table, 12, boxes, 2, 101, 1, 5);
  clear_node_table(*table);
  EXPECT_FALSE(slot_used(*table, home));
  EXPECT_FALSE(slot_used(*table, 12));
  EXPECT_EQ(lookup_node(*table, home, 100, board, 2), home);
}

TEST_F(TableTest, FindsTheSameBoxesListedInAnotherOrder) {
  int32_t boxes[] = {50, 60};
  int32_t swapped[] = {60, 50};
  place({50, 60});
  uint32_t home = home_slot(*table, 100, boxes, 2);
  fill_node(*table, home, boxes, 2, 100, 3, 9);
  EXPECT_EQ(lookup_node(*table, home_slot(*table, 100, swapped, 2), 100, board, 2), home);
}

TEST_F(TableTest, StatesThatDifferInTheKeeperOnlyTakeTwoRecords) {
  int32_t boxes[] = {50, 60};
  place({50, 60});
  uint32_t first = lookup_node(*table, 500, 100, board, 2);
  fill_node(*table, first, boxes, 2, 100, 3, 9);
  uint32_t second = lookup_node(*table, 500, 101, board, 2);
  EXPECT_EQ(first, 500u);
  EXPECT_EQ(second, 501u);
  EXPECT_FALSE(slot_used(*table, second));
}

TEST_F(TableTest, ARootIsNeverMatched) {
  int32_t boxes[] = {50, 60};
  place({50, 60});
  fill_node(*table, 700, boxes, 2, 100, NoParent, 0);
  EXPECT_EQ(lookup_node(*table, 700, 100, board, 2), 701u);
  // A record of the same state behind the root is found.
  fill_node(*table, 701, boxes, 2, 100, 700, 4);
  EXPECT_EQ(lookup_node(*table, 700, 100, board, 2), 701u);
}

TEST_F(TableTest, ProbingWrapsFromTheLastSlotToSlotZero) {
  int32_t a[] = {40};
  int32_t b[] = {41};
  uint32_t last = TableSlots - 1;
  fill_node(*table, last, a, 1, 30, 1, 2);
  place({41});
  EXPECT_EQ(lookup_node(*table, last, 31, board, 1), 0u);
  fill_node(*table, 0, b, 1, 31, 1, 2);
  EXPECT_EQ(lookup_node(*table, last, 31, board, 1), 0u);
  EXPECT_EQ(lookup_node(*table, last, 32, board, 1), 1u);
}

}  // namespace

}  // namespace vk
