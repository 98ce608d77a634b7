// Time for everything that waits: real time for people, virtual time for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace platform {

using Millis = std::int64_t;

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic milliseconds since an arbitrary origin (the tick counter).
  virtual Millis now() const = 0;
  // Real clock: blocks the thread. Virtual clock: moves time on, firing what falls due.
  virtual void sleepFor(Millis ms) = 0;
  // Calendar time in seconds since 1970-01-01 UTC.
  virtual std::int64_t wallSeconds() const = 0;
  virtual bool isVirtual() const = 0;
};

class RealClock final : public Clock {
 public:
  Millis now() const override;
  void sleepFor(Millis ms) override;
  std::int64_t wallSeconds() const override;
  bool isVirtual() const override { return false; }
};

// Virtual time: nothing moves until someone sleeps or advances. Events scheduled on it fire
// in time order (ties in the order they were scheduled) as time passes them; an event may
// schedule further events, which fire in the same advance when they fall due in it.
class VirtualClock final : public Clock {
 public:
  using EventId = std::uint64_t;

  explicit VirtualClock(Millis start = 0, std::int64_t wallStart = 946684800 /* 2000-01-01 */)
      : now_(start), wallOrigin_(wallStart), start_(start) {}

  Millis now() const override { return now_; }
  void sleepFor(Millis ms) override { advance(ms); }
  std::int64_t wallSeconds() const override { return wallOrigin_ + (now_ - start_) / 1000; }
  bool isVirtual() const override { return true; }

  EventId scheduleAt(Millis when, std::function<void()> fn);
  EventId scheduleAfter(Millis delay, std::function<void()> fn) { return scheduleAt(now_ + delay, std::move(fn)); }
  bool cancel(EventId id);
  std::optional<Millis> nextEventTime() const;
  std::size_t pendingEvents() const { return events_.size(); }

  // Fires every event due at or before `t`, then sets the time to `t` (never backwards).
  void advanceTo(Millis t);
  void advance(Millis d) { advanceTo(now_ + (d > 0 ? d : 0)); }
  // Jumps to the next event and fires everything due then; false when nothing is scheduled.
  bool runNext();

 private:
  Millis now_;
  std::int64_t wallOrigin_;
  Millis start_;
  EventId nextId_ = 1;
  // Ordered by (time, id): equal times keep scheduling order.
  std::map<std::pair<Millis, EventId>, std::function<void()>> events_;
};

}  // namespace platform
