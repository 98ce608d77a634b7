// The Qt 6 Widgets renderer of the window model: each form becomes a top-level widget and each
// control a widget at its pixel geometry; message boxes are QMessageBox, timers QTimer, modal
// loops run Qt's event loop. Texts turn from ANSI into UTF-8 at the widget boundary.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/ui/backend.h"

class QApplication;
class QImage;
class QTimer;
class QWidget;

namespace platform::ui {

class Control;
class QtFormPeer;

class QtBackend final : public Backend {
 public:
  // Makes the QApplication unless the program made one already. The style is Fusion everywhere,
  // so that forms look alike on every desktop and in the offscreen platform.
  QtBackend(int& argc, char** argv);
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  // The form's client area as it is drawn now (the form must be shown).
  QImage grab(Form& f);
  // Writes grab(f) as a PNG file; false when it could not be written.
  bool saveScreenshot(Form& f, const std::string& path);
  QWidget* windowOf(const Form& f) const;
  QWidget* widgetOf(const Control& c) const;

  void attach(Application& app) override;
  void formShown(Form& f) override;
  void formHidden(Form& f) override;
  void formDestroyed(Form& f) override;
  void formActivated(Form& f) override;
  void repaint(Form& f) override;
  void runLoop(const std::function<bool()>& done) override;
  void processMessages() override;
  void wake() override;
  void startTimer(Form& f, int id, Millis interval) override;
  void stopTimer(Form& f, int id) override;
  MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                           MessageIcon icon) override;
  void beep() override;
  ScreenMetrics screen() const override;
  void setCursor(Cursor c) override;
  Size textExtent(const Font& font, const std::string& text) const override;
  void flash(Form& f) override;

  // Used by the peers.
  Application& app() const { return *app_; }
  void registerWidget(QWidget* w, Control* c);
  void unregisterWidget(QWidget* w);
  Control* controlAt(QWidget* w) const;
  Form* formAt(QWidget* w) const;

 private:
  class Filter;
  QtFormPeer& peerFor(Form& f);

  std::unique_ptr<QApplication> ownApp_;
  Application* app_ = nullptr;
  std::unique_ptr<Filter> filter_;
  std::map<const Form*, std::unique_ptr<QtFormPeer>> forms_;
  std::map<std::pair<const Form*, int>, QTimer*> timers_;
  std::map<const QWidget*, Control*> widgets_;
  bool wakePending_ = false;
  bool busy_ = false;
};

}  // namespace platform::ui
