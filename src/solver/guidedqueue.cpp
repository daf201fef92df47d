// The guided search's queue: a ring of lists, one for each value of cost +
// bound, linked through two arrays indexed by record number. Each list is a
// circle through a sentinel of its own, numbered after the records, so that
// a record leaves its list without anyone knowing which list it is in. A
// record is in at most one list, so the queue holds every record the table
// can make.
#include "solver/search_internal.h"

namespace vk {

namespace {

constexpr uint32_t RingMask = GuidedRing - 1;

uint32_t sentinel(const GuidedQueue& queue, int32_t value) {
  return queue.links + (uint32_t(value) & RingMask);
}

void unlink(GuidedQueue& queue, uint32_t record) {
  const uint32_t before = queue.prev[record], after = queue.next[record];
  queue.next[before] = after;
  queue.prev[after] = before;
  queue.next[record] = Dequeued;
  queue.open--;
}

}  // namespace

void reset_guided_queue(GuidedQueue& queue) {
  for (int32_t v = 0; v < GuidedRing; v++) {
    const uint32_t s = sentinel(queue, v);
    queue.next[s] = queue.prev[s] = s;
  }
  queue.value = 0;
  queue.open = 0;
  queue.indicator = 0;
}

int32_t guided_insert(GuidedQueue& queue, uint32_t record, int32_t value) {
  // A value below the one handed out can only come from a bound that falls
  // by more than a step, which this one never does; it is served at once.
  if (value < queue.value) value = queue.value;
  if (value - queue.value >= GuidedRing || record >= queue.links) return 0;
  const uint32_t s = sentinel(queue, value), first = queue.next[s];
  queue.next[record] = first;
  queue.prev[record] = s;
  queue.prev[first] = record;
  queue.next[s] = record;
  if (++queue.open > queue.indicator) queue.indicator = queue.open;
  return 1;
}

int32_t guided_rekey(GuidedQueue& queue, uint32_t record, int32_t newValue) {
  if (queue.next[record] != Dequeued) unlink(queue, record);
  return guided_insert(queue, record, newValue);
}

uint32_t guided_pop(GuidedQueue& queue, int32_t bestCost) {
  while (queue.open > 0) {
    // Nothing queued can lead to a solution shorter than bestCost.
    if (bestCost != 0 && queue.value >= bestCost) return NoRecord;
    const uint32_t s = sentinel(queue, queue.value), record = queue.next[s];
    if (record != s) {
      unlink(queue, record);
      return record;
    }
    queue.value++;
  }
  return NoRecord;
}

}  // namespace vk
