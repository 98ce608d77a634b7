#include "platform/ui/headless.h"

#include <algorithm>
#include <ostream>

#include "platform/ui/application.h"
#include "platform/ui/dump.h"
#include "platform/ui/form.h"

namespace platform::ui {

std::string describeBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                        MessageIcon icon) {
  return "message box caption " + quoted(caption) + ", icon " + iconName(static_cast<int>(icon)) + ", buttons " +
         buttonsName(static_cast<int>(buttons)) + ": " + quoted(text);
}

namespace {
bool matches(const MessageExpectation& e, const std::string& text, const std::string& caption, MessageButtons buttons,
             MessageIcon icon) {
  if (e.exactText ? text != e.text : text.find(e.text) == std::string::npos) return false;
  if (e.caption && *e.caption != caption) return false;
  if (e.icon && *e.icon != icon) return false;
  if (e.buttons && *e.buttons != buttons) return false;
  return true;
}

std::string describe(const MessageExpectation& e) {
  std::string s = "message box";
  if (e.caption) s += " caption " + quoted(*e.caption);
  if (e.icon) s += std::string(", icon ") + iconName(static_cast<int>(*e.icon));
  if (e.buttons) s += std::string(", buttons ") + buttonsName(static_cast<int>(*e.buttons));
  s += e.exactText ? ", text " : ", text containing ";
  return s + quoted(e.text);
}

MessageResult firstButton(MessageButtons b) {
  switch (b) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel: return MessageResult::Ok;
    case MessageButtons::AbortRetryIgnore: return MessageResult::Abort;
    case MessageButtons::YesNoCancel:
    case MessageButtons::YesNo: return MessageResult::Yes;
    case MessageButtons::RetryCancel: return MessageResult::Retry;
  }
  return MessageResult::Ok;
}
}  // namespace

Responder& Responder::expectMessage(MessageExpectation e) {
  queue_.push_back(std::move(e));
  return *this;
}

Responder& Responder::expectMessage(std::string textContains, MessageResult answer) {
  MessageExpectation e;
  e.text = std::move(textContains);
  e.answer = answer;
  return expectMessage(std::move(e));
}

Responder& Responder::alwaysAnswer(MessageExpectation e) {
  standing_.push_back(std::move(e));
  return *this;
}

Responder& Responder::onModal(std::string form, std::function<void(Form&)> fn, int times) {
  modal_.push_back({std::move(form), std::move(fn), times});
  return *this;
}

std::vector<std::string> Responder::unmet() const {
  std::vector<std::string> out;
  for (const auto& e : queue_) out.push_back(describe(e));
  for (const auto& m : modal_)
    if (m.times > 0) out.push_back("modal form " + quoted(m.form));
  return out;
}

void Responder::clear() {
  queue_.clear();
  standing_.clear();
  modal_.clear();
  shown_.clear();
}

MessageResult Responder::answer(const std::string& text, const std::string& caption, MessageButtons buttons,
                                MessageIcon icon) {
  std::optional<MessageResult> r;
  if (!queue_.empty() && matches(queue_.front(), text, caption, buttons, icon)) {
    r = queue_.front().answer;
    queue_.erase(queue_.begin());
  } else {
    for (const auto& e : standing_)
      if (matches(e, text, caption, buttons, icon)) {
        r = e.answer;
        break;
      }
  }
  if (!r) {
    std::string what = describeBox(text, caption, buttons, icon);
    if (strict_) {
      shown_.push_back({text, caption, buttons, icon, MessageResult::Cancel});
      std::string msg = "unexpected " + what;
      if (!queue_.empty()) msg += "\nexpected next: " + describe(queue_.front());
      throw UnexpectedDialog(msg);
    }
    r = firstButton(buttons);
    if (log_) *log_ << what << " -> " << resultName(static_cast<int>(*r)) << '\n';
  }
  shown_.push_back({text, caption, buttons, icon, *r});
  return *r;
}

void Responder::noteVisibleForms(std::vector<std::string> names) {
  if (!shown_.empty()) shown_.back().visibleForms = std::move(names);
}

std::function<void(Form&)> Responder::modalScript(const Form& f) {
  for (auto it = modal_.begin(); it != modal_.end(); ++it) {
    if (it->form != f.name() && it->form != f.caption()) continue;
    auto fn = it->fn;
    if (it->times > 0 && --it->times == 0) modal_.erase(it);
    return fn;
  }
  return {};
}

HeadlessBackend::HeadlessBackend(Clock& clock) : clock_(clock), virtual_(dynamic_cast<VirtualClock*>(&clock)) {}

void HeadlessBackend::formShown(Form& f) { repaint(f); }

void HeadlessBackend::formDestroyed(Form& f) {
  for (auto it = timers_.begin(); it != timers_.end();)
    it = it->first.first == &f ? timers_.erase(it) : std::next(it);
  paints_.erase(&f);
  pendingModal_.erase(std::remove(pendingModal_.begin(), pendingModal_.end(), &f), pendingModal_.end());
}

void HeadlessBackend::repaint(Form& f) {
  Bitmap& b = paints_[&f];
  b = Bitmap(f.clientWidth(), f.clientHeight(), f.color());
  Canvas canvas(b);
  f.paintTo(canvas);
}

const Bitmap* HeadlessBackend::lastPaint(const Form& f) const {
  auto it = paints_.find(&f);
  return it == paints_.end() ? nullptr : &it->second;
}

void HeadlessBackend::startTimer(Form& f, int id, Millis interval) {
  interval = std::max<Millis>(interval, 1);
  timers_[{&f, id}] = Timer{interval, clock_.now() + interval, ++seq_};
}

void HeadlessBackend::stopTimer(Form& f, int id) { timers_.erase({&f, id}); }

std::optional<Millis> HeadlessBackend::timerDue(const Form& f, int id) const {
  auto it = timers_.find({&f, id});
  if (it == timers_.end()) return std::nullopt;
  return it->second.due;
}

bool HeadlessBackend::fireOneDueTimer() {
  const Millis now = clock_.now();
  auto best = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.due > now) continue;
    if (best == timers_.end() || it->second.due < best->second.due ||
        (it->second.due == best->second.due && it->second.seq < best->second.seq))
      best = it;
  }
  if (best == timers_.end()) return false;
  // Rescheduled before the handler runs: a handler that opens a modal loop lets the timer come
  // again, as the system's timers do. Periods missed while busy are not made up.
  Form* form = const_cast<Form*>(best->first.first);
  int id = best->first.second;
  best->second.due = now + best->second.interval;
  best->second.seq = ++seq_;
  app_->timerFired(*form, id);
  return true;
}

bool HeadlessBackend::step() {
  if (app_->dispatchPosted()) return true;
  if (!pendingModal_.empty()) {
    Form* f = pendingModal_.back();
    pendingModal_.pop_back();
    if (auto fn = responder_.modalScript(*f)) fn(*f);
    return true;
  }
  return fireOneDueTimer();
}

std::optional<Millis> HeadlessBackend::nextWake() const {
  std::optional<Millis> next;
  for (const auto& [key, t] : timers_)
    if (!next || t.due < *next) next = t.due;
  if (virtual_)
    if (auto ev = virtual_->nextEventTime(); ev && (!next || *ev < *next)) next = ev;
  return next;
}

void HeadlessBackend::moveTimeTo(Millis t) {
  if (t <= clock_.now()) {
    if (virtual_) virtual_->advanceTo(clock_.now());  // fires clock events due now
    return;
  }
  if (virtual_) virtual_->advanceTo(t);
  else clock_.sleepFor(t - clock_.now());
}

void HeadlessBackend::runLoop(const std::function<bool()>& done) {
  const Millis start = clock_.now();
  while (!done()) {
    if (step()) continue;
    if (done()) break;
    auto next = nextWake();
    if (!next) {
      throw LoopStalled("the message loop can never end: nothing is queued, no timer runs and nothing is "
                        "scheduled\n" + dumpVisibleForms(*app_));
    }
    if (*next - start > loopLimit_) {
      throw LoopStalled("the message loop ran for more than " + std::to_string(loopLimit_) +
                        " ms without ending\n" + dumpVisibleForms(*app_));
    }
    moveTimeTo(*next);
  }
}

void HeadlessBackend::processMessages() {
  // What is waiting now, and no more: work queued meanwhile waits for the next pump.
  app_->dispatchPosted();
  while (!pendingModal_.empty()) step();
  if (virtual_) virtual_->advanceTo(clock_.now());
  std::size_t budget = timers_.size();
  while (budget-- && fireOneDueTimer()) {
  }
}

void HeadlessBackend::advance(Millis ms) {
  const Millis target = clock_.now() + std::max<Millis>(ms, 0);
  for (;;) {
    if (step()) continue;
    auto next = nextWake();
    if (!next || *next > target) break;
    moveTimeTo(*next);
  }
  moveTimeTo(target);
  while (step()) {
  }
}

MessageResult HeadlessBackend::messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                                          MessageIcon icon) {
  std::vector<std::string> visible;
  if (app_)
    for (const Form* f : app_->forms())
      if (f->visible()) visible.push_back(f->name());
  MessageResult r;
  try {
    r = responder_.answer(text, caption, buttons, icon);
  } catch (const UnexpectedDialog& e) {
    // Say where the program stood when the box came.
    throw UnexpectedDialog(std::string(e.what()) + "\non screen:\n" + (app_ ? dumpVisibleForms(*app_) : std::string()));
  }
  responder_.noteVisibleForms(std::move(visible));
  return r;
}

}  // namespace platform::ui
