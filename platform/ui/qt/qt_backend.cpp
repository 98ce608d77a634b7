#include "platform/ui/qt/qt_backend.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QToolTip>

#include "platform/ui/application.h"
#include "platform/ui/qt/convert.h"
#include "platform/ui/qt/peers.h"

namespace platform::ui {

namespace {

Key fromQtKey(int k) {
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return static_cast<Key>(static_cast<int>(Key::F1) + (k - Qt::Key_F1));
  if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9)) return static_cast<Key>(k);
  switch (k) {
    case Qt::Key_Escape: return Key::Escape;
    case Qt::Key_Return:
    case Qt::Key_Enter: return Key::Return;
    case Qt::Key_Tab: return Key::Tab;
    case Qt::Key_Backspace: return Key::Back;
    case Qt::Key_Delete: return Key::Delete;
    case Qt::Key_Space: return Key::Space;
    case Qt::Key_Left: return Key::Left;
    case Qt::Key_Right: return Key::Right;
    case Qt::Key_Up: return Key::Up;
    case Qt::Key_Down: return Key::Down;
    case Qt::Key_Home: return Key::Home;
    case Qt::Key_End: return Key::End;
    case Qt::Key_PageUp: return Key::PageUp;
    case Qt::Key_PageDown: return Key::PageDown;
    default: break;
  }
  return Key::None;
}

}  // namespace

// Keys and focus of every widget pass here first: the model decides, as the window procedure
// of a form would.
class QtBackend::Filter : public QObject {
 public:
  explicit Filter(QtBackend& b) : backend_(b) {}
  bool eventFilter(QObject* obj, QEvent* e) override {
    auto* w = qobject_cast<QWidget*>(obj);
    if (!w || !backend_.app_) return false;
    if (e->type() == QEvent::KeyPress) {
      auto* ke = static_cast<QKeyEvent*>(e);
      Key k = fromQtKey(ke->key());
      if (k == Key::None) return false;
      Form* f = backend_.formAt(w->window());
      if (!f) return false;
      Control* target = backend_.controlAt(w);
      ShiftState s{(ke->modifiers() & Qt::ShiftModifier) != 0, (ke->modifiers() & Qt::ControlModifier) != 0,
                   (ke->modifiers() & Qt::AltModifier) != 0};
      return f->handleKey(target, k, s);
    }
    if (e->type() == QEvent::ToolTip) {
      Control* c = backend_.controlAt(w);
      if (!c) return false;
      const std::string text = c->form().tooltipFor(*c);
      if (text.empty()) QToolTip::hideText();
      else QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), qt::toQt(text), w);
      return true;
    }
    if (e->type() == QEvent::FocusIn) {
      if (Control* c = backend_.controlAt(w); c && !c->focused()) c->setFocus();
    }
    return false;
  }

 private:
  QtBackend& backend_;
};

QtBackend::QtBackend(int& argc, char** argv) {
  if (!QApplication::instance()) ownApp_ = std::make_unique<QApplication>(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  filter_ = std::make_unique<Filter>(*this);
  qApp->installEventFilter(filter_.get());
}

QtBackend::~QtBackend() {
  qApp->removeEventFilter(filter_.get());
  for (auto& [key, t] : timers_) delete t;
  timers_.clear();
  forms_.clear();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtBackend::attach(Application& app) { app_ = &app; }

void QtBackend::registerWidget(QWidget* w, Control* c) { widgets_[w] = c; }
void QtBackend::unregisterWidget(QWidget* w) { widgets_.erase(w); }

Control* QtBackend::controlAt(QWidget* w) const {
  for (QWidget* p = w; p; p = p->parentWidget()) {
    auto it = widgets_.find(p);
    if (it != widgets_.end()) return it->second;  // null for the window itself
    if (p->isWindow()) break;
  }
  return nullptr;
}

Form* QtBackend::formAt(QWidget* w) const {
  for (const auto& [form, peer] : forms_)
    if (peer->window() == w) return const_cast<Form*>(form);
  return nullptr;
}

QtFormPeer& QtBackend::peerFor(Form& f) {
  auto& p = forms_[&f];
  if (!p) p = std::make_unique<QtFormPeer>(f, *this);
  return *p;
}

QWidget* QtBackend::windowOf(const Form& f) const {
  auto it = forms_.find(&f);
  return it == forms_.end() ? nullptr : it->second->window();
}

QWidget* QtBackend::widgetOf(const Control& c) const {
  auto it = forms_.find(&c.form());
  return it == forms_.end() ? nullptr : it->second->widgetOf(c);
}

void QtBackend::formShown(Form& f) {
  QtFormPeer& p = peerFor(f);
  p.syncAll();
  if (f.windowState() == WindowState::Maximized) p.window()->showMaximized();
  else p.window()->show();
  p.window()->raise();
  p.window()->activateWindow();
}

void QtBackend::formHidden(Form& f) {
  if (auto it = forms_.find(&f); it != forms_.end()) it->second->window()->hide();
}

void QtBackend::formDestroyed(Form& f) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == &f) {
      delete it->second;
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
  forms_.erase(&f);
}

void QtBackend::formActivated(Form& f) {
  if (QWidget* w = windowOf(f); w && w->isVisible() && !w->isActiveWindow()) {
    w->raise();
    w->activateWindow();
  }
}

void QtBackend::repaint(Form& f) {
  QWidget* w = windowOf(f);
  if (!w || !w->isVisible()) return;
  w->repaint();
  // Let the window system show it now, also while the program goes on with long work.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtBackend::runLoop(const std::function<bool()>& done) {
  while (!done()) {
    app_->dispatchPosted();
    if (done()) break;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
}

void QtBackend::processMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  app_->dispatchPosted();
}

void QtBackend::wake() {
  // Queued work must run even inside loops that are not ours (a message box's).
  if (wakePending_) return;
  wakePending_ = true;
  // The backend's own object as the receiver: a call still queued when the backend goes is dropped.
  QMetaObject::invokeMethod(
      filter_.get(),
      [this] {
        wakePending_ = false;
        if (app_) app_->dispatchPosted();
      },
      Qt::QueuedConnection);
}

void QtBackend::startTimer(Form& f, int id, Millis interval) {
  QTimer*& t = timers_[{&f, id}];
  if (!t) {
    t = new QTimer();
    Form* form = &f;
    QObject::connect(t, &QTimer::timeout, [this, form, id] { app_->timerFired(*form, id); });
  }
  t->start(static_cast<int>(std::max<Millis>(interval, 1)));
}

void QtBackend::stopTimer(Form& f, int id) {
  auto it = timers_.find({&f, id});
  if (it == timers_.end()) return;
  it->second->stop();
  it->second->deleteLater();
  timers_.erase(it);
}

MessageResult QtBackend::messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                                    MessageIcon icon) {
  QWidget* parent = app_ && app_->activeForm() ? windowOf(*app_->activeForm()) : nullptr;
  QMessageBox box(parent);
  box.setWindowTitle(qt::toQt(caption));
  box.setText(qt::toQtText(text));
  switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
  }
  struct B {
    QMessageBox::StandardButton q;
    MessageResult r;
  };
  std::vector<B> list;
  switch (buttons) {
    case MessageButtons::Ok: list = {{QMessageBox::Ok, MessageResult::Ok}}; break;
    case MessageButtons::OkCancel: list = {{QMessageBox::Ok, MessageResult::Ok}, {QMessageBox::Cancel, MessageResult::Cancel}}; break;
    case MessageButtons::AbortRetryIgnore:
      list = {{QMessageBox::Abort, MessageResult::Abort}, {QMessageBox::Retry, MessageResult::Retry},
              {QMessageBox::Ignore, MessageResult::Ignore}};
      break;
    case MessageButtons::YesNoCancel:
      list = {{QMessageBox::Yes, MessageResult::Yes}, {QMessageBox::No, MessageResult::No},
              {QMessageBox::Cancel, MessageResult::Cancel}};
      break;
    case MessageButtons::YesNo: list = {{QMessageBox::Yes, MessageResult::Yes}, {QMessageBox::No, MessageResult::No}}; break;
    case MessageButtons::RetryCancel:
      list = {{QMessageBox::Retry, MessageResult::Retry}, {QMessageBox::Cancel, MessageResult::Cancel}};
      break;
  }
  QMessageBox::StandardButtons all;
  for (const auto& b : list) all |= b.q;
  box.setStandardButtons(all);
  box.setDefaultButton(list.front().q);
  // Closing the box counts as its cancel (or only) button, as on the system.
  const bool hasCancel = buttons == MessageButtons::OkCancel || buttons == MessageButtons::YesNoCancel ||
                         buttons == MessageButtons::RetryCancel;
  if (hasCancel) box.setEscapeButton(QMessageBox::Cancel);
  else if (buttons == MessageButtons::Ok) box.setEscapeButton(QMessageBox::Ok);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const auto& b : list)
    if (clicked == box.button(b.q)) return b.r;
  return hasCancel ? MessageResult::Cancel : list.front().r;
}

void QtBackend::beep() { QApplication::beep(); }

ScreenMetrics QtBackend::screen() const {
  ScreenMetrics m;
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    m.width = s->geometry().width();
    m.height = s->geometry().height();
    m.bitsPerPixel = s->depth();
  }
  return m;
}

void QtBackend::setCursor(Cursor c) {
  if (c == Cursor::Busy && !busy_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busy_ = true;
  } else if (c == Cursor::Default && busy_) {
    QApplication::restoreOverrideCursor();
    busy_ = false;
  }
}

Size QtBackend::textExtent(const Font& font, const std::string& text) const {
  QFontMetrics fm(qt::toQt(font));
  QSize s = fm.size(0, qt::toQtText(text));
  return {s.width(), s.height()};
}

void QtBackend::flash(Form& f) {
  if (QWidget* w = windowOf(f)) QApplication::alert(w);
}

QImage QtBackend::grab(Form& f) {
  QWidget* w = windowOf(f);
  if (!w) return QImage();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return w->grab().toImage();
}

bool QtBackend::saveScreenshot(Form& f, const std::string& path) {
  QImage img = grab(f);
  return !img.isNull() && img.save(QString::fromStdString(path), "PNG");
}

}  // namespace platform::ui
