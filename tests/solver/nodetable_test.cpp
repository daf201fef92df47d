// The node table: the hash, probing and matching, roots, clearing, and the
// packing of keeper, parent and cost behind the boxes. The tests use the
// process's one reservation of the tables.
#include <gtest/gtest.h>

#include <cstring>

#include "solver/solver.h"

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

TEST(SearchNodeTest, PacksKeeperParentAndCostInto24Bytes) {
  static_assert(sizeof(SearchNode) == 24);
  SearchNode node{};
  node.packed = pack_node(2047, NoParent, CostLimit);
  EXPECT_EQ(node_keeper(node), 2047);
  EXPECT_EQ(node_parent(node), NoParent);
  EXPECT_EQ(node_cost(node), CostLimit);
  EXPECT_GE(CostLimit, (1 << 28) - 1);
  EXPECT_GT(NoParent, uint32_t(TableSlots - 1));

  // A cost beyond the old 16-bit field is kept whole.
  node.packed = pack_node(1999, TableSlots - 1, 40000);
  EXPECT_EQ(node_cost(node), 40000);
  EXPECT_EQ(node_parent(node), uint32_t(TableSlots - 1));
  set_cost_parent(node, 32768, 7);
  EXPECT_EQ(node_keeper(node), 1999);
  EXPECT_EQ(node_cost(node), 32768);
  EXPECT_EQ(node_parent(node), 7u);
}

TEST(SearchNodeTest, HashMatchesTheWorkedExampleInAnyBoxOrder) {
  int32_t boxes[] = {50, 60};
  int32_t swapped[] = {60, 50};
  EXPECT_EQ(home_slot(100, boxes, 2), 3140740u);
  EXPECT_EQ(home_slot(100, swapped, 2), 3140740u);
  // The sum stands in for the exclusive-or when that is 0.
  int32_t same[] = {5, 5};
  uint32_t s = 0 * 8 + 10, p = 0;
  EXPECT_EQ(home_slot(0, same, 2), (p + s * s) % uint32_t(TableSlots));
}

TEST_F(TableTest, AfterAClearEveryLookupEndsAtItsHome) {
  int32_t boxes[] = {50, 60};
  place({50, 60});
  uint32_t home = home_slot(100, boxes, 2);
  fill_node(*table, home, boxes, 2, 100, 1, 5);
  fill_node(*table, 12, boxes, 2, 101, 1, 5);
  clear_node_table(*table);
  EXPECT_EQ(node_keeper(table->slots[home]), 0);
  EXPECT_EQ(node_keeper(table->slots[12]), 0);
  EXPECT_EQ(lookup_node(*table, home, 100, board, 2), home);
}

TEST_F(TableTest, FindsTheSameBoxesListedInAnotherOrder) {
  int32_t boxes[] = {50, 60};
  int32_t swapped[] = {60, 50};
  place({50, 60});
  uint32_t home = home_slot(100, boxes, 2);
  fill_node(*table, home, boxes, 2, 100, 3, 9);
  EXPECT_EQ(lookup_node(*table, home_slot(100, swapped, 2), 100, board, 2), home);
}

TEST_F(TableTest, StatesThatDifferInTheKeeperOnlyTakeTwoRecords) {
  int32_t boxes[] = {50, 60};
  place({50, 60});
  uint32_t first = lookup_node(*table, 500, 100, board, 2);
  fill_node(*table, first, boxes, 2, 100, 3, 9);
  uint32_t second = lookup_node(*table, 500, 101, board, 2);
  EXPECT_EQ(first, 500u);
  EXPECT_EQ(second, 501u);
  EXPECT_EQ(node_keeper(table->slots[second]), 0);
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
