// The guided search's queue: a ring of lists, one for each value of cost +
// bound, linked through two arrays indexed by record number. A record is in
// at most one list, so the queue holds every record the table can make.
#include "solver/search_internal.h"

namespace vk {

namespace {

constexpr uint32_t RingMask = GuidedRing - 1;

void unlink(GuidedQueue& queue, uint32_t record, int32_t value) {
  const uint32_t list = uint32_t(value) & RingMask;
  const uint32_t before = queue.prev[record], after = queue.next[record];
  if (before == NoRecord)
    queue.head[list] = after;
  else
    queue.next[before] = after;
  if (after != NoRecord) queue.prev[after] = before;
  queue.next[record] = Dequeued;
  queue.count[list]--;
  queue.open--;
}

}  // namespace

void reset_guided_queue(GuidedQueue& queue) {
  for (int32_t v = 0; v < GuidedRing; v++) {
    queue.head[v] = NoRecord;
    queue.count[v] = 0;
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
  const uint32_t list = uint32_t(value) & RingMask, first = queue.head[list];
  queue.next[record] = first;
  queue.prev[record] = NoRecord;
  if (first != NoRecord) queue.prev[first] = record;
  queue.head[list] = record;
  if (++queue.count[list] > queue.indicator) queue.indicator = queue.count[list];
  queue.open++;
  return 1;
}

int32_t guided_rekey(GuidedQueue& queue, uint32_t record, int32_t oldValue, int32_t newValue) {
  if (queue.next[record] != Dequeued) unlink(queue, record, oldValue < queue.value ? queue.value : oldValue);
  return guided_insert(queue, record, newValue);
}

uint32_t guided_pop(GuidedQueue& queue, int32_t bestCost) {
  while (queue.open > 0) {
    // Nothing queued can lead to a solution shorter than bestCost.
    if (bestCost != 0 && queue.value >= bestCost) return NoRecord;
    const uint32_t list = uint32_t(queue.value) & RingMask, record = queue.head[list];
    if (record != NoRecord) {
      unlink(queue, record, queue.value);
      return record;
    }
    queue.value++;
  }
  return NoRecord;
}

}  // namespace vk
