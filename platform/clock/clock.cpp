#include "platform/clock/clock.h"

#include <chrono>
#include <thread>

namespace platform {

Millis RealClock::now() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RealClock::sleepFor(Millis ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t RealClock::wallSeconds() const {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

VirtualClock::EventId VirtualClock::scheduleAt(Millis when, std::function<void()> fn) {
  EventId id = nextId_++;
  events_.emplace(std::make_pair(when < now_ ? now_ : when, id), std::move(fn));
  return id;
}

bool VirtualClock::cancel(EventId id) {
  for (auto it = events_.begin(); it != events_.end(); ++it) {
    if (it->first.second == id) {
      events_.erase(it);
      return true;
    }
  }
  return false;
}

std::optional<Millis> VirtualClock::nextEventTime() const {
  if (events_.empty()) return std::nullopt;
  return events_.begin()->first.first;
}

void VirtualClock::advanceTo(Millis t) {
  while (!events_.empty() && events_.begin()->first.first <= t) {
    auto node = events_.extract(events_.begin());
    if (node.key().first > now_) now_ = node.key().first;
    node.mapped()();
  }
  if (t > now_) now_ = t;
}

bool VirtualClock::runNext() {
  auto next = nextEventTime();
  if (!next) return false;
  advanceTo(*next);
  return true;
}

}  // namespace platform
