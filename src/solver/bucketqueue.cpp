// The BucketQueue: the search's priority queue, a ring of buckets indexed by
// cost modulo BucketCount. A pass over the current cost's bucket hands out
// the records of that cost and packs the others towards the front.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VK_X86 1
#endif

#include "solver/solver.h"

// How far ahead of the read cursor a pass prefetches records: each entry
// costs a look at its record's cost, which lies anywhere in the big table.
constexpr int32_t PrefetchAhead = 16;

static uint32_t* bucket_of(BucketQueue& queue, int32_t bucket) {
  return queue.entries + size_t(bucket) * BucketCapacity;
}

// Buckets up to this fill are searched whole: cheaper than reading the
// record's parent from the big table.
constexpr int32_t SmallBucket = 4096;

static void restart_log(BucketQueue& queue, int32_t bucket, int32_t cost) {
  queue.logFirst[bucket] = cost;
  queue.logCount[bucket] = 0;
}

// Notes where the entries queued at the current cost begin. The current
// bucket is not logged: its pass packs them, and its log restarts after.
static void log_append(BucketQueue& queue, int32_t bucket) {
  if (bucket == queue.cost % BucketCount) return;
  int32_t& count = queue.logCount[bucket];
  if (queue.cost < queue.logFirst[bucket]) return;
  if (queue.cost - queue.logFirst[bucket] >= LoggedCosts) restart_log(queue, bucket, queue.cost);
  while (queue.logFirst[bucket] + count <= queue.cost)
    queue.logStart[bucket][count++] = queue.fill[bucket];
}

void reset_queue(BucketQueue& queue) {
  for (int32_t b = 0; b < BucketCount; b++) {
    queue.fill[b] = 0;
    restart_log(queue, b, 0);
  }
  queue.cost = 0;
  queue.read = 0;
  queue.write = 0;
  queue.open = 0;
  queue.indicator = 0;
}

// Moves the records of [from, to) down to out, in their order.
static int32_t pack_stretch(uint32_t* entries, int32_t from, int32_t to, int32_t out) {
  for (int32_t i = from; i < to; i++)
    if (entries[i] != NoSlot) entries[out++] = entries[i];
  return out;
}

int32_t compact_bucket(BucketQueue& queue, int32_t bucket) {
  uint32_t* entries = bucket_of(queue, bucket);
  int32_t fill;
  if (bucket == queue.cost % BucketCount) {
    // The pass in progress must go on exactly where it was: pack the passed,
    // the emptied and the unseen stretch each on its own.
    int32_t oldWrite = queue.write, oldRead = queue.read;
    queue.write = pack_stretch(entries, 0, oldWrite, 0);
    queue.read = pack_stretch(entries, oldWrite, oldRead, queue.write);
    fill = pack_stretch(entries, oldRead, BucketCapacity, queue.read);
  } else {
    fill = pack_stretch(entries, 0, BucketCapacity, 0);
    // Every entry moved: all count as queued before the next cost.
    restart_log(queue, bucket, queue.cost + 1);
  }
  queue.fill[bucket] = fill;
  queue.indicator = fill;
  return BucketCapacity - fill;
}

int32_t queue_insert(BucketQueue& queue, uint32_t record, int32_t cost) {
  int32_t bucket = cost % BucketCount;
  if (queue.fill[bucket] == BucketCapacity && compact_bucket(queue, bucket) == 0) return 0;
  log_append(queue, bucket);
  bucket_of(queue, bucket)[queue.fill[bucket]++] = record;
  if (queue.fill[bucket] > queue.indicator) queue.indicator = queue.fill[bucket];
  queue.open++;
  return 1;
}

// Position of the record among the first count entries, or -1. A record is
// queued at most once, so any scan finds the same entry as a scan from the
// front; this one compares 16 entries a step.
#if VK_X86
__attribute__((target("avx2"))) static int32_t find_entry_avx2(const uint32_t* entries,
                                                               int32_t count, uint32_t record) {
  const __m256i key = _mm256_set1_epi32(int32_t(record));
  int32_t i = count;
  for (; i >= 16; i -= 16) {
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(entries + i - 16));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(entries + i - 8));
    __m256i hit = _mm256_or_si256(_mm256_cmpeq_epi32(a, key), _mm256_cmpeq_epi32(b, key));
    if (!_mm256_testz_si256(hit, hit)) break;
  }
  for (i = i - 1; i >= 0; i--)
    if (entries[i] == record) return i;
  return -1;
}
#endif

static int32_t find_entry_plain(const uint32_t* entries, int32_t count, uint32_t record) {
  for (int32_t i = count - 1; i >= 0; i--)
    if (entries[i] == record) return i;
  return -1;
}

static int32_t find_entry(const uint32_t* entries, int32_t count, uint32_t record) {
#if VK_X86
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return find_entry_avx2(entries, count, record);
#endif
  return find_entry_plain(entries, count, record);
}

// The stretch of the bucket that holds the record's entry, from the log.
static void logged_stretch(const BucketQueue& queue, const SearchNode* slots, uint32_t record,
                           int32_t bucket, int32_t& low, int32_t& high) {
  low = 0;
  high = queue.fill[bucket];
  if (high <= SmallBucket || bucket == queue.cost % BucketCount) return;
  uint32_t parent = node_parent(slots[record]);
  if (parent == NoParent) return;
  int32_t queuedAt = node_cost(slots[parent]);
  int32_t k = queuedAt - queue.logFirst[bucket], count = queue.logCount[bucket];
  if (k < 0) {
    if (count > 0) high = queue.logStart[bucket][0];
  } else if (k < count) {
    low = queue.logStart[bucket][k];
    if (k + 1 < count) high = queue.logStart[bucket][k + 1];
  }
}

int32_t queue_rekey(BucketQueue& queue, const SearchNode* slots, uint32_t record, int32_t newCost) {
  int32_t bucket = node_cost(slots[record]) % BucketCount;
  uint32_t* entries = bucket_of(queue, bucket);
  int32_t low, high;
  logged_stretch(queue, slots, record, bucket, low, high);
  int32_t at = find_entry(entries + low, high - low, record);
  if (at >= 0) at += low;
  else if (low != 0 || high != queue.fill[bucket]) at = find_entry(entries, queue.fill[bucket], record);
  if (at >= 0) entries[at] = NoSlot;
  queue.open--;
  return queue_insert(queue, record, newCost);
}

uint32_t queue_pop(BucketQueue& queue, const SearchNode* slots, int32_t bestCost) {
  if (queue.open == 0) return NoSlot;
  for (;;) {
    int32_t bucket = queue.cost % BucketCount;
    uint32_t* entries = bucket_of(queue, bucket);
    while (queue.read < queue.fill[bucket]) {
      int32_t ahead = queue.read + PrefetchAhead;
      if (ahead < queue.fill[bucket] && entries[ahead] != NoSlot)
        __builtin_prefetch(&slots[entries[ahead]].packed);
      uint32_t record = entries[queue.read++];
      if (record == NoSlot) continue;
      entries[queue.read - 1] = NoSlot;
      if (node_cost(slots[record]) == queue.cost) {
        queue.open--;
        return record;
      }
      entries[queue.write++] = record;
    }
    // The bucket is exhausted for this cost.
    queue.fill[bucket] = queue.write;
    queue.cost++;
    restart_log(queue, bucket, queue.cost);
    if (bestCost != 0 && queue.cost >= bestCost) return NoSlot;
    queue.read = 0;
    queue.write = 0;
  }
}
