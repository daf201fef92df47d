// The BucketQueue: the search's priority queue, a ring of buckets indexed by
// cost modulo BucketCount. A pass over the current cost's bucket hands out
// the records of that cost and packs the others towards the front. Whenever
// an entry moves, its record learns its new position, so that a rekey goes
// straight to the entry it must empty.
#include "solver/search_internal.h"

namespace vk {

// How far ahead of the read cursor a pass prefetches records: each entry
// costs a look at its record's cost, which lies anywhere in the big table.
constexpr int32_t PrefetchAhead = 16;

// How far past the read cursor queue_peek looks: holes and entries of a
// later cost in between are rare, and a long look would cost more than the
// overlap it buys.
constexpr int32_t PeekAhead = 8;

static uint32_t* bucket_of(BucketQueue& queue, int32_t bucket) {
  return queue.entries + size_t(bucket) * size_t(queue.capacity);
}

static void place(BucketQueue& queue, uint32_t* entries, int32_t at, uint32_t record) {
  entries[at] = record;
  set_node_position(queue.records[record], at);
}

void reset_queue(BucketQueue& queue) {
  for (int32_t b = 0; b < BucketCount; b++) queue.fill[b] = 0;
  queue.cost = 0;
  queue.read = 0;
  queue.write = 0;
  queue.open = 0;
  queue.indicator = 0;
}

// Moves the records of [from, to) down to out, in their order.
static int32_t pack_stretch(BucketQueue& queue, uint32_t* entries, int32_t from, int32_t to,
                            int32_t out) {
  for (int32_t i = from; i < to; i++)
    if (entries[i] != NoRecord) place(queue, entries, out++, entries[i]);
  return out;
}

int32_t compact_bucket(BucketQueue& queue, int32_t bucket) {
  uint32_t* entries = bucket_of(queue, bucket);
  const int32_t capacity = queue.capacity;
  int32_t fill;
  if (bucket == queue.cost % BucketCount) {
    // The pass in progress must go on exactly where it was: pack the passed,
    // the emptied and the unseen stretch each on its own.
    int32_t oldWrite = queue.write, oldRead = queue.read;
    queue.write = pack_stretch(queue, entries, 0, oldWrite, 0);
    queue.read = pack_stretch(queue, entries, oldWrite, oldRead, queue.write);
    fill = pack_stretch(queue, entries, oldRead, capacity, queue.read);
  } else {
    fill = pack_stretch(queue, entries, 0, capacity, 0);
  }
  queue.fill[bucket] = fill;
  queue.indicator = fill;
  return capacity - fill;
}

int32_t queue_insert(BucketQueue& queue, uint32_t record, int32_t cost) {
  int32_t bucket = cost % BucketCount;
  if (queue.fill[bucket] == queue.capacity && compact_bucket(queue, bucket) == 0) return 0;
  place(queue, bucket_of(queue, bucket), queue.fill[bucket]++, record);
  if (queue.fill[bucket] > queue.indicator) queue.indicator = queue.fill[bucket];
  queue.open++;
  return 1;
}

int32_t queue_rekey(BucketQueue& queue, uint32_t record, int32_t oldCost, int32_t newCost) {
  bucket_of(queue, oldCost % BucketCount)[node_position(queue.records[record])] = NoRecord;
  queue.open--;
  return queue_insert(queue, record, newCost);
}

uint32_t queue_pop(BucketQueue& queue, int32_t bestCost) {
  if (queue.open == 0) return NoRecord;
  SearchNode* records = queue.records;
  for (;;) {
    int32_t bucket = queue.cost % BucketCount;
    uint32_t* entries = bucket_of(queue, bucket);
    while (queue.read < queue.fill[bucket]) {
      int32_t ahead = queue.read + PrefetchAhead;
      if (ahead < queue.fill[bucket] && entries[ahead] != NoRecord)
        prefetch_for_write(records + entries[ahead]);
      uint32_t record = entries[queue.read++];
      if (record == NoRecord) continue;
      entries[queue.read - 1] = NoRecord;
      if (node_cost(records[record]) == queue.cost) {
        queue.open--;
        return record;
      }
      place(queue, entries, queue.write++, record);
    }
    // The bucket is exhausted for this cost.
    queue.fill[bucket] = queue.write;
    queue.cost++;
    if (bestCost != 0 && queue.cost >= bestCost) return NoRecord;
    queue.read = 0;
    queue.write = 0;
  }
}

uint32_t queue_peek(const BucketQueue& queue) {
  const int32_t bucket = queue.cost % BucketCount;
  const uint32_t* entries = queue.entries + size_t(bucket) * size_t(queue.capacity);
  const int32_t end = queue.read + PeekAhead < queue.fill[bucket] ? queue.read + PeekAhead
                                                                  : queue.fill[bucket];
  for (int32_t i = queue.read; i < end; i++) {
    uint32_t record = entries[i];
    if (record != NoRecord && node_cost(queue.records[record]) == queue.cost) return record;
  }
  return NoRecord;
}

}  // namespace vk
