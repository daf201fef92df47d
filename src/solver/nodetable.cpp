// The NodeTable: every state one solve has met, in an open-addressing hash
// table with linear probing. Records never move during a solve, so a slot
// number stays a valid reference until the next solve starts.
#include "os/os.h"
#include "solver/solver.h"

namespace vk {

void clear_node_table(NodeTable& table) {
  // A new generation empties every slot at once. Only when the generations
  // run out does the table go back to the system, to come back zeroed
  // (generation 0, which no solve uses).
  if (table.generation >= LastSolveGeneration) {
    vk::os_discard(table.slots, size_t(table.slotCount) * sizeof(SearchNode));
    table.generation = 0;
  }
  table.generation++;
}

uint32_t home_slot(const NodeTable& table, int32_t keeper, const int32_t* boxes, int32_t count) {
  // Exclusive-or, sum and product do not depend on the order of the boxes.
  uint32_t start = uint32_t(keeper) * 8u;
  uint32_t x = start, s = start, p = start;
  for (int32_t i = 0; i < count; i++) {
    uint32_t c = uint32_t(boxes[i]);
    s += c;
    x ^= c;
    p *= c;
  }
  uint32_t m = x != 0 ? x : s;
  return (p + s * m) % table.slotCount;
}

// The candidate's boxes stand on the board, so set equality is one board
// look-up per box of the record (box cells are distinct, counts are equal).
static bool same_boxes(const SearchNode& node, const int8_t* board, int32_t count) {
  for (int32_t i = 0; i < count; i++)
    if (board[node_box(node, i)] != BoxCell) return false;
  return true;
}

uint32_t lookup_node(const NodeTable& table, uint32_t home, int32_t keeper, const int8_t* board,
                     int32_t count) {
  uint32_t slot = home;
  for (;;) {
    const SearchNode& node = table.slots[slot];
    if (node_generation(node) != table.generation) return slot;
    if (node_keeper(node) == keeper && node_parent(node) != NoParent &&
        same_boxes(node, board, count))
      return slot;
    slot = slot + 1 == table.slotCount ? 0 : slot + 1;
  }
}

void pack_node(SearchNode& node, const int32_t* boxes, int32_t count, int32_t keeper,
               uint32_t parent, int32_t cost, int32_t generation) {
  uint64_t low = uint64_t(generation) << GenerationShift, high = uint64_t(parent) << ParentShift;
  for (int32_t i = 0; i < count && i < LowBoxes; i++)
    low |= uint64_t(boxes[i]) << (LowBoxShift + i * CellBits);
  for (int32_t i = LowBoxes; i < count; i++)
    high |= uint64_t(boxes[i]) << (HighBoxShift + (i - LowBoxes) * CellBits);
  node.word[0] = (uint64_t(keeper) << KeeperShift) | (uint64_t(cost) << CostShift);
  node.word[1] = high;
  node.word[2] = low;
}

void fill_node(NodeTable& table, uint32_t slot, const int32_t* boxes, int32_t count,
               int32_t keeper, uint32_t parent, int32_t cost) {
  pack_node(table.slots[slot], boxes, count, keeper, parent, cost, table.generation);
}

}  // namespace vk
