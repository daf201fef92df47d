// The NodeTable: every state one solve has met, as records numbered in the
// order they were made, found through a hash index with linear probing.
// Records never move during a solve, so a record number stays a valid
// reference until the next solve starts.
#include <cstring>

#include "solver/search_internal.h"

namespace vk {

namespace {

// The random keys of the hash: one per box cell, then one per keeper cell,
// from a fixed generator so that every run places records alike.
constexpr int32_t CellKeys = 1 << CellBits;

constexpr uint64_t split_mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

struct HashKeys {
  uint64_t key[2 * CellKeys];
  constexpr HashKeys() : key() {
    for (int32_t i = 0; i < 2 * CellKeys; i++) key[i] = split_mix(uint64_t(i));
  }
};
constexpr HashKeys Keys;

uint32_t fingerprint(const NodeTable& table, uint64_t hash) {
  return uint32_t(hash) & ~uint32_t(field_mask(table.recordBits));
}

uint32_t next_slot(const NodeTable& table, uint32_t slot) {
  return slot + 1 == table.indexSize ? 0 : slot + 1;
}

// The first empty slot from hash's home; the prefix is never full.
uint32_t free_slot(const NodeTable& table, uint64_t hash) {
  uint32_t slot = home_slot(table, hash);
  while (table.index[slot] != 0) slot = next_slot(table, slot);
  return slot;
}

void clear_index(NodeTable& table, uint32_t size) {
  table.indexSize = size;
  table.indexed = 0;
  std::memset(table.index, 0, size_t(size) * sizeof(uint32_t));
}

// Records whose hashes a doubling of the index computes, and whose home
// slots it prefetches, before it enters them: the slots lie anywhere in the
// larger prefix.
constexpr uint32_t RehashBatch = 32;

// Doubles the prefix in use and enters every record but the roots again, in
// the order they were made.
void grow_index(NodeTable& table) {
  uint32_t size = table.indexSize <= table.slotCount / 2 ? 2 * table.indexSize : table.slotCount;
  clear_index(table, size);
  int32_t boxes[GuidedMaxBoxes];
  uint64_t hashes[RehashBatch];
  for (uint32_t first = 0; first < table.count; first += RehashBatch) {
    const uint32_t end = table.count - first < RehashBatch ? table.count : first + RehashBatch;
    for (uint32_t r = first; r < end; r++) {
      const SearchNode& node = node_at(table, r);
      for (int32_t i = 0; i < table.boxCount; i++) boxes[i] = node_box(node, i);
      hashes[r - first] = state_hash(node_keeper(node), boxes, table.boxCount);
      prefetch_for_write(table.index + home_slot(table, hashes[r - first]));
    }
    for (uint32_t r = first; r < end; r++) {
      if (node_parent(node_at(table, r)) == NoParent) continue;
      const uint64_t hash = hashes[r - first];
      table.index[free_slot(table, hash)] = fingerprint(table, hash) | (r + 1);
      table.indexed++;
    }
  }
}

}  // namespace

uint64_t box_key(int32_t cell) { return Keys.key[cell]; }
uint64_t keeper_key(int32_t keeper) { return Keys.key[CellKeys + keeper]; }

uint64_t boxes_hash(const int32_t* boxes, int32_t count) {
  uint64_t hash = 0;
  for (int32_t i = 0; i < count; i++) hash += box_key(boxes[i]);
  return hash;
}

uint64_t state_hash(int32_t keeper, const int32_t* boxes, int32_t count) {
  return boxes_hash(boxes, count) + keeper_key(keeper);
}

void set_up_node_table(NodeTable& table, SearchNode* records, uint32_t recordCapacity,
                       uint32_t* index, uint32_t slotCount) {
  table = NodeTable{};
  table.records = records;
  table.recordCapacity = recordCapacity;
  table.index = index;
  table.slotCount = slotCount;
  // Entries name record + 1, so the widest record number is the capacity.
  while (table.recordBits < 32 && (uint64_t(recordCapacity) >> table.recordBits) != 0)
    table.recordBits++;
}

void clear_node_table(NodeTable& table, int32_t boxCount) {
  table.count = 0;
  table.boxCount = boxCount;
  table.wide = boxCount > MaxBoxes;
  clear_index(table, table.slotCount < FirstIndexSize ? table.slotCount : FirstIndexSize);
}

// The candidate's boxes stand on the board, so set equality is one board
// look-up per box of the record (box cells are distinct, counts are equal).
static bool same_boxes(const SearchNode& node, const int8_t* board, int32_t count) {
  for (int32_t i = 0; i < count; i++)
    if (board[node_box(node, i)] != BoxCell) return false;
  return true;
}

uint32_t lookup_node(const NodeTable& table, uint64_t hash, int32_t keeper, const int8_t* board) {
  const uint32_t print = fingerprint(table, hash), recordMask = uint32_t(field_mask(table.recordBits));
  uint32_t slot = home_slot(table, hash);
  for (;;) {
    uint32_t entry = table.index[slot];
    if (entry == 0) return slot;
    if ((entry & ~recordMask) == print) {
      const SearchNode& node = node_at(table, (entry & recordMask) - 1);
      if (node_keeper(node) == keeper && same_boxes(node, board, table.boxCount)) return slot;
    }
    slot = next_slot(table, slot);
  }
}

void pack_node(SearchNode& node, const int32_t* boxes, int32_t count, int32_t keeper,
               uint32_t parent, int32_t cost) {
  uint64_t low = 0, high = uint64_t(parent) << ParentShift;
  for (int32_t i = 0; i < count && i < LowBoxes; i++)
    low |= uint64_t(boxes[i]) << (LowBoxShift + i * CellBits);
  for (int32_t i = LowBoxes; i < count && i < MaxBoxes; i++)
    high |= uint64_t(boxes[i]) << (HighBoxShift + (i - LowBoxes) * CellBits);
  node.word[0] = (uint64_t(keeper) << KeeperShift) | (uint64_t(cost) << CostShift);
  node.word[1] = high;
  node.word[2] = low;
  if (count <= MaxBoxes) return;
  SearchNode& wide = (&node)[1];
  wide.word[0] = wide.word[1] = wide.word[2] = 0;
  for (int32_t i = MaxBoxes; i < count; i++) {
    const int32_t j = i - MaxBoxes;
    wide.word[j < LowBoxes ? 0 : 1] |= uint64_t(boxes[i]) << ((j < LowBoxes ? j : j - LowBoxes) * CellBits);
  }
}

uint32_t add_node(NodeTable& table, uint32_t slot, uint64_t hash, const int32_t* boxes,
                  int32_t keeper, uint32_t parent, int32_t cost) {
  uint32_t record = table.count++;
  pack_node(node_at(table, record), boxes, table.boxCount, keeper, parent, cost);
  table.index[slot] = fingerprint(table, hash) | (record + 1);
  // Half full: twice the slots keep the probes short. The whole index stays
  // below full, as it has more slots than a solve has records.
  if (++table.indexed > table.indexSize / 2 && table.indexSize < table.slotCount) grow_index(table);
  return record;
}

uint32_t add_root(NodeTable& table, const int32_t* boxes, int32_t keeper) {
  uint32_t record = table.count++;
  pack_node(node_at(table, record), boxes, table.boxCount, keeper, NoParent, 0);
  return record;
}

}  // namespace vk
