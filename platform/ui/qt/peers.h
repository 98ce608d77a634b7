// The live widgets behind one form: the window and one peer per control.
#pragma once

#include <QWidget>
#include <map>
#include <memory>

#include "platform/ui/control.h"
#include "platform/ui/form.h"

namespace platform::ui {

class QtBackend;

// The top-level window of a form; paints the form's background and what its paint handler draws.
class FormWindow : public QWidget {
 public:
  FormWindow(Form& f, QtBackend& b);

 protected:
  void paintEvent(QPaintEvent*) override;
  void closeEvent(QCloseEvent* e) override;
  bool event(QEvent* e) override;

 private:
  Form& form_;
  QtBackend& backend_;
};

class QtControlPeer : public ControlPeer {
 public:
  QtControlPeer(Control& c, QWidget* w, QtBackend& b) : control_(c), widget_(w), backend_(b) {}
  ~QtControlPeer() override;
  void sync() override;
  QWidget* widget() const { return widget_; }
  Control& control() const { return control_; }
  // True while the peer writes into its widget, so that the widget's signals are not taken as input.
  bool syncing() const { return syncing_; }

 protected:
  virtual void syncContent() = 0;
  Control& control_;
  QWidget* widget_;
  QtBackend& backend_;
  bool syncing_ = false;
};

std::unique_ptr<QtControlPeer> makePeer(Control& c, QWidget* parent, QtBackend& b);

class QtFormPeer : public FormPeer {
 public:
  QtFormPeer(Form& f, QtBackend& b);
  ~QtFormPeer() override;
  void sync() override;
  void controlAdded(Control& c) override;
  void controlRemoved(Control& c) override;
  FormWindow* window() const { return window_; }
  QWidget* widgetOf(const Control& c) const;
  void syncAll();

 private:
  void build(Control& c);
  QWidget* containerWidget(Control& c);
  Form& form_;
  QtBackend& backend_;
  FormWindow* window_;
  std::map<const Control*, std::unique_ptr<QtControlPeer>> controls_;
  Qt::WindowFlags flags_;
};

}  // namespace platform::ui
