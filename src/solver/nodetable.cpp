// The NodeTable: every state one solve has met, in an open-addressing hash
// table with linear probing. Records never move during a solve, so a slot
// number stays a valid reference until the next clear.
#include <cstring>

#include "solver/solver.h"

void clear_node_table(NodeTable& table) {
  // Only chunks written since the last clear can hold an occupied slot; a
  // batch of small levels so never pays for a pass over the whole table.
  constexpr int32_t chunkSlots = 1 << ChunkShift;
  for (int32_t word = 0; word < ChunkWords; word++) {
    uint64_t bits = table.written[word];
    table.written[word] = 0;
    while (bits != 0) {
      int32_t chunk = word * 64 + __builtin_ctzll(bits);
      bits &= bits - 1;
      int32_t first = chunk * chunkSlots;
      int32_t count = TableSlots - first < chunkSlots ? TableSlots - first : chunkSlots;
      std::memset(static_cast<void*>(table.slots + first), 0, size_t(count) * sizeof(SearchNode));
    }
  }
}

uint32_t home_slot(int32_t keeper, const int32_t* boxes, int32_t count) {
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
  return (p + s * m) % uint32_t(TableSlots);
}

// The candidate's boxes stand on the board, so set equality is one board
// look-up per box of the record (box cells are distinct, counts are equal).
static bool same_boxes(const SearchNode& node, const int8_t* board, int32_t count) {
  for (int32_t i = 0; i < count; i++)
    if (board[node.boxes[i]] != BoxCell) return false;
  return true;
}

uint32_t lookup_node(const NodeTable& table, uint32_t home, int32_t keeper, const int8_t* board,
                     int32_t count) {
  uint32_t slot = home;
  for (;;) {
    const SearchNode& node = table.slots[slot];
    int32_t held = node_keeper(node);
    if (held == 0) return slot;
    if (held == keeper && node_parent(node) != NoParent && same_boxes(node, board, count))
      return slot;
    slot = slot + 1 == uint32_t(TableSlots) ? 0 : slot + 1;
  }
}

void fill_node(NodeTable& table, uint32_t slot, const int32_t* boxes, int32_t count,
               int32_t keeper, uint32_t parent, int32_t cost) {
  SearchNode& node = table.slots[slot];
  for (int32_t i = 0; i < count; i++) node.boxes[i] = int16_t(boxes[i]);
  node.packed = pack_node(keeper, parent, cost);
  table.written[slot >> (ChunkShift + 6)] |= uint64_t(1) << ((slot >> ChunkShift) & 63);
}
