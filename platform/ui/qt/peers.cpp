#include "platform/ui/qt/peers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/ui/application.h"
#include "platform/ui/common_controls.h"
#include "platform/ui/controls.h"
#include "platform/ui/folder_controls.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/qt/convert.h"
#include "platform/ui/qt/qt_backend.h"

namespace platform::ui {

using qt::toQt;
using qt::toQtText;
using qt::fromQt;

namespace qt {
QFont toQt(const Font& f) {
  // The fonts the forms name are not on this host; the sans-serif face of the desktop stands in,
  // at the same pixel height (8 points at 96 dpi are 11 pixels).
  QFont q(QStringLiteral("DejaVu Sans"));
  if (!f.name.empty() && f.name != "MS Sans Serif" && f.name != "MS Shell Dlg" && f.name != "System")
    q.setFamilies({QString::fromUtf8(ansiToUtf8(f.name)), QStringLiteral("DejaVu Sans")});
  if (f.pixelHeight > 0) q.setPixelSize(f.pixelHeight);
  else q.setPixelSize(std::max(1, (f.pointSize * 96 + 36) / 72));
  q.setBold(f.bold);
  q.setItalic(f.italic);
  return q;
}
}  // namespace qt

namespace {

Qt::Alignment alignToQt(Alignment a) {
  switch (a) {
    case Alignment::Center: return Qt::AlignHCenter;
    case Alignment::Right: return Qt::AlignRight;
    case Alignment::Left: break;
  }
  return Qt::AlignLeft;
}

void setBackground(QWidget* w, QPalette::ColorRole role, Color c, bool fill) {
  QPalette p = w->palette();
  p.setColor(role, qt::toQt(c));
  w->setPalette(p);
  if (role == QPalette::Window) w->setAutoFillBackground(fill);
}

void setTextColor(QWidget* w, Color c) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, qt::toQt(c));
  p.setColor(QPalette::Text, qt::toQt(c));
  p.setColor(QPalette::ButtonText, qt::toQt(c));
  w->setPalette(p);
}

// ---- the peers, one kind each

class LabelPeer : public QtControlPeer {
 public:
  LabelPeer(Label& l, QWidget* parent, QtBackend& b) : QtControlPeer(l, new QLabel(parent), b), label_(l) {
    q()->setTextFormat(Qt::PlainText);
  }
  QLabel* q() const { return static_cast<QLabel*>(widget_); }
  void syncContent() override {
    q()->setText(toQtText(label_.text()));
    q()->setWordWrap(label_.wordWrap());
    q()->setAlignment(alignToQt(label_.alignment()) | Qt::AlignTop);
    setTextColor(q(), label_.font().color);
    setBackground(q(), QPalette::Window, label_.color(), !label_.transparent());
  }

 private:
  Label& label_;
};

class ButtonPeer : public QtControlPeer {
 public:
  ButtonPeer(Button& bt, QWidget* parent, QtBackend& b) : QtControlPeer(bt, new QPushButton(parent), b), button_(bt) {
    q()->setAutoDefault(false);
    QObject::connect(q(), &QPushButton::clicked, [this] {
      if (!syncing_) button_.click();
    });
  }
  QPushButton* q() const { return static_cast<QPushButton*>(widget_); }
  void syncContent() override {
    q()->setText(toQt(button_.text()));
    q()->setDefault(button_.isDefault());
    if (const auto& bmp = button_.bitmap()) {
      q()->setIcon(QIcon(QPixmap::fromImage(qt::toQImage(*bmp).copy())));
      q()->setIconSize(QSize(bmp->width(), bmp->height()));
    }
  }

 private:
  Button& button_;
};

class EditPeer : public QtControlPeer {
 public:
  EditPeer(Edit& e, QWidget* parent, QtBackend& b) : QtControlPeer(e, new QLineEdit(parent), b), edit_(e) {
    QObject::connect(q(), &QLineEdit::textEdited, [this](const QString& t) {
      if (!syncing_) edit_.userReplace(fromQt(t));
    });
  }
  QLineEdit* q() const { return static_cast<QLineEdit*>(widget_); }
  void syncContent() override {
    if (fromQt(q()->text()) != edit_.text()) q()->setText(toQt(edit_.text()));
    q()->setMaxLength(edit_.maxLength() ? static_cast<int>(edit_.maxLength()) : 32767);
    q()->setEchoMode(edit_.passwordChar() ? QLineEdit::Password : QLineEdit::Normal);
    q()->setReadOnly(edit_.readOnly());
    if (edit_.digitsOnly() && !q()->validator())
      q()->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), q()));
    setBackground(q(), QPalette::Base, edit_.color(), false);
    setTextColor(q(), edit_.font().color);
  }

 private:
  Edit& edit_;
};

class MemoPeer : public QtControlPeer {
 public:
  MemoPeer(Memo& m, QWidget* parent, QtBackend& b) : QtControlPeer(m, new QPlainTextEdit(parent), b), memo_(m) {
    QObject::connect(q(), &QPlainTextEdit::textChanged, [this] {
      if (!syncing_) memo_.userReplace(fromQt(q()->toPlainText()));
    });
  }
  QPlainTextEdit* q() const { return static_cast<QPlainTextEdit*>(widget_); }
  void syncContent() override {
    QString want = toQtText(memo_.text());
    if (q()->toPlainText() != want) q()->setPlainText(want);
    q()->setReadOnly(memo_.readOnly());
    q()->setLineWrapMode(memo_.wordWrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    ScrollBars s = memo_.scrollBars();
    q()->setVerticalScrollBarPolicy(s == ScrollBars::Vertical || s == ScrollBars::Both ? Qt::ScrollBarAlwaysOn
                                                                                         : Qt::ScrollBarAsNeeded);
    q()->setHorizontalScrollBarPolicy(s == ScrollBars::Horizontal || s == ScrollBars::Both ? Qt::ScrollBarAlwaysOn
                                                                                             : Qt::ScrollBarAsNeeded);
    setBackground(q(), QPalette::Base, memo_.color(), false);
  }

 private:
  Memo& memo_;
};

class CheckPeer : public QtControlPeer {
 public:
  CheckPeer(CheckBox& c, QWidget* parent, QtBackend& b) : QtControlPeer(c, new QCheckBox(parent), b), check_(c) {
    QObject::connect(q(), &QCheckBox::clicked, [this] {
      if (!syncing_) check_.click();
      sync();
    });
  }
  QCheckBox* q() const { return static_cast<QCheckBox*>(widget_); }
  void syncContent() override {
    q()->setText(toQt(check_.text()));
    q()->setChecked(check_.checked());
    setTextColor(q(), check_.font().color);
  }

 private:
  CheckBox& check_;
};

class RadioPeer : public QtControlPeer {
 public:
  RadioPeer(RadioButton& r, QWidget* parent, QtBackend& b) : QtControlPeer(r, new QRadioButton(parent), b), radio_(r) {
    q()->setAutoExclusive(false);  // the model keeps the groups
    QObject::connect(q(), &QRadioButton::clicked, [this] {
      if (!syncing_) radio_.click();
      sync();
    });
  }
  QRadioButton* q() const { return static_cast<QRadioButton*>(widget_); }
  void syncContent() override {
    q()->setText(toQt(radio_.text()));
    q()->setChecked(radio_.checked());
    setTextColor(q(), radio_.font().color);
  }

 private:
  RadioButton& radio_;
};

class PanelPeer : public QtControlPeer {
 public:
  PanelPeer(Panel& p, QWidget* parent, QtBackend& b) : QtControlPeer(p, new QFrame(parent), b), panel_(p) {}
  QFrame* q() const { return static_cast<QFrame*>(widget_); }
  void syncContent() override {
    if (panel_.singleBorder()) {
      q()->setFrameStyle(QFrame::Box | QFrame::Plain);
    } else if (panel_.bevelOuter() == BevelKind::Raised) {
      q()->setFrameStyle(QFrame::Panel | QFrame::Raised);
    } else if (panel_.bevelOuter() == BevelKind::Lowered) {
      q()->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    } else {
      q()->setFrameStyle(QFrame::NoFrame);
    }
    q()->setLineWidth(1);
    setBackground(q(), QPalette::Window, panel_.color(), true);
  }

 private:
  Panel& panel_;
};

class GroupPeer : public QtControlPeer {
 public:
  GroupPeer(GroupBox& g, QWidget* parent, QtBackend& b) : QtControlPeer(g, new QGroupBox(parent), b), group_(g) {}
  void syncContent() override { static_cast<QGroupBox*>(widget_)->setTitle(toQt(group_.text())); }

 private:
  GroupBox& group_;
};

class BevelWidget : public QWidget {
 public:
  BevelWidget(Bevel& b, QWidget* parent) : QWidget(parent), bevel_(b) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QColor shadow(128, 128, 128), light(255, 255, 255);
    const bool lowered = bevel_.style() == BevelKind::Lowered;
    const QColor first = lowered ? shadow : light, second = lowered ? light : shadow;
    const int w = width(), h = height();
    auto hline = [&](int y) {
      p.setPen(first);
      p.drawLine(0, y, w - 1, y);
      p.setPen(second);
      p.drawLine(0, y + 1, w - 1, y + 1);
    };
    auto vline = [&](int x) {
      p.setPen(first);
      p.drawLine(x, 0, x, h - 1);
      p.setPen(second);
      p.drawLine(x + 1, 0, x + 1, h - 1);
    };
    switch (bevel_.shape()) {
      case BevelShape::TopLine: hline(0); break;
      case BevelShape::BottomLine: hline(h - 2); break;
      case BevelShape::LeftLine: vline(0); break;
      case BevelShape::RightLine: vline(w - 2); break;
      case BevelShape::Box:
      case BevelShape::Frame:
        p.setPen(first);
        p.drawRect(0, 0, w - 2, h - 2);
        p.setPen(second);
        p.drawRect(1, 1, w - 2, h - 2);
        break;
      case BevelShape::Spacer: break;
    }
  }

 private:
  Bevel& bevel_;
};

class BevelPeer : public QtControlPeer {
 public:
  BevelPeer(Bevel& bv, QWidget* parent, QtBackend& b) : QtControlPeer(bv, new BevelWidget(bv, parent), b) {}
  void syncContent() override { widget_->update(); }
};

class PictureWidget : public QWidget {
 public:
  PictureWidget(Picture& p, QWidget* parent) : QWidget(parent), picture_(p) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    const auto& bmp = picture_.bitmap();
    if (!bmp) return;
    QPainter p(this);
    Rect r = picture_.pictureRect();
    p.drawImage(QRect(r.left, r.top, r.width, r.height), qt::toQImage(*bmp));
  }

 private:
  Picture& picture_;
};

class PicturePeer : public QtControlPeer {
 public:
  PicturePeer(Picture& pc, QWidget* parent, QtBackend& b) : QtControlPeer(pc, new PictureWidget(pc, parent), b) {}
  void syncContent() override { widget_->update(); }
};

class ProgressPeer : public QtControlPeer {
 public:
  ProgressPeer(ProgressBar& g, QWidget* parent, QtBackend& b) : QtControlPeer(g, new QProgressBar(parent), b), gauge_(g) {}
  QProgressBar* q() const { return static_cast<QProgressBar*>(widget_); }
  void syncContent() override {
    q()->setRange(gauge_.minimum(), gauge_.maximum());
    q()->setValue(gauge_.position());
    q()->setTextVisible(gauge_.showText());
    QPalette p = q()->palette();
    p.setColor(QPalette::Highlight, qt::toQt(gauge_.barColor()));
    p.setColor(QPalette::Base, qt::toQt(colors::window));
    p.setColor(QPalette::Window, qt::toQt(colors::window));
    q()->setPalette(p);
  }

 private:
  ProgressBar& gauge_;
};

class ListBoxPeer : public QtControlPeer {
 public:
  ListBoxPeer(ListBox& l, QWidget* parent, QtBackend& b) : QtControlPeer(l, new QListWidget(parent), b), list_(l) {
    QObject::connect(q(), &QListWidget::currentRowChanged, [this](int row) {
      if (!syncing_ && row >= 0 && row != list_.itemIndex()) list_.clickItem(row);
    });
    QObject::connect(q(), &QListWidget::itemDoubleClicked, [this](QListWidgetItem* it) {
      if (!syncing_) list_.doubleClickItem(q()->row(it));
    });
  }
  QListWidget* q() const { return static_cast<QListWidget*>(widget_); }
  void syncContent() override {
    QStringList want;
    for (const auto& s : list_.items()) want << toQt(s);
    QStringList have;
    for (int i = 0; i < q()->count(); ++i) have << q()->item(i)->text();
    if (want != have) {
      q()->clear();
      q()->addItems(want);
    }
    q()->setCurrentRow(list_.itemIndex());
    setBackground(q(), QPalette::Base, list_.color(), false);
  }

 private:
  ListBox& list_;
};

class ComboPeer : public QtControlPeer {
 public:
  ComboPeer(ComboBox& c, QWidget* parent, QtBackend& b) : QtControlPeer(c, new QComboBox(parent), b), combo_(c) {
    QObject::connect(q(), &QComboBox::activated, [this](int i) {
      if (!syncing_) combo_.select(i);
      sync();
    });
  }
  QComboBox* q() const { return static_cast<QComboBox*>(widget_); }
  void syncContent() override {
    QStringList want;
    for (const auto& s : combo_.items()) want << toQt(s);
    QStringList have;
    for (int i = 0; i < q()->count(); ++i) have << q()->itemText(i);
    if (want != have) {
      q()->clear();
      q()->addItems(want);
    }
    q()->setCurrentIndex(combo_.itemIndex());
  }

 private:
  ComboBox& combo_;
};

class ListViewPeer : public QtControlPeer {
 public:
  ListViewPeer(ListView& l, QWidget* parent, QtBackend& b) : QtControlPeer(l, new QTreeWidget(parent), b), view_(l) {
    q()->setRootIsDecorated(false);
    q()->setUniformRowHeights(true);
    q()->setAllColumnsShowFocus(true);
    QObject::connect(q(), &QTreeWidget::itemSelectionChanged, [this] { takeUserState(); });
    QObject::connect(q(), &QTreeWidget::currentItemChanged, [this] { takeUserState(); });
    QObject::connect(q(), &QTreeWidget::itemClicked, [this] {
      if (!syncing_) view_.click();
    });
    QObject::connect(q(), &QTreeWidget::itemDoubleClicked, [this] {
      if (!syncing_) view_.doubleClick();
    });
  }
  QTreeWidget* q() const { return static_cast<QTreeWidget*>(widget_); }
  void syncContent() override {
    QStringList headers;
    for (int i = 0; i < view_.columnCount(); ++i) headers << toQt(view_.column(i).header);
    if (q()->columnCount() != view_.columnCount() || q()->headerItem()->text(0) != (headers.isEmpty() ? QString() : headers[0])) {
      q()->setColumnCount(view_.columnCount());
      q()->setHeaderLabels(headers);
    }
    for (int i = 0; i < view_.columnCount(); ++i) q()->setColumnWidth(i, view_.column(i).width);
    q()->setSelectionMode(view_.multiSelect() ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    q()->setSelectionBehavior(view_.fullRowSelect() ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    while (q()->topLevelItemCount() > view_.rowCount()) delete q()->takeTopLevelItem(q()->topLevelItemCount() - 1);
    while (q()->topLevelItemCount() < view_.rowCount()) new QTreeWidgetItem(q());
    for (int r = 0; r < view_.rowCount(); ++r) {
      QTreeWidgetItem* it = q()->topLevelItem(r);
      for (int c = 0; c < view_.columnCount(); ++c) {
        QString t = toQt(view_.cell(r, c));
        if (it->text(c) != t) it->setText(c, t);
      }
      it->setSelected(view_.isSelected(r));
    }
    int f = view_.focusedRow();
    q()->setCurrentItem(f >= 0 ? q()->topLevelItem(f) : nullptr, 0, QItemSelectionModel::NoUpdate);
    setBackground(q(), QPalette::Base, view_.color(), false);
  }

 private:
  void takeUserState() {
    if (syncing_) return;
    syncing_ = true;
    for (int r = 0; r < q()->topLevelItemCount() && r < view_.rowCount(); ++r) {
      bool sel = q()->topLevelItem(r)->isSelected();
      if (sel != view_.isSelected(r)) {
        if (sel || view_.multiSelect()) view_.setSelected(r, sel);
        else view_.setSelected(r, false);
      }
    }
    QTreeWidgetItem* cur = q()->currentItem();
    view_.setFocusedRow(cur ? q()->indexOfTopLevelItem(cur) : -1);
    syncing_ = false;
  }
  ListView& view_;
};

class IpWidget : public QFrame {
 public:
  explicit IpWidget(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
      if (i) {
        auto* dot = new QLabel(QStringLiteral("."), this);
        row->addWidget(dot);
      }
      fields[i] = new QLineEdit(this);
      fields[i]->setFrame(false);
      fields[i]->setMaxLength(3);
      fields[i]->setAlignment(Qt::AlignCenter);
      fields[i]->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), fields[i]));
      row->addWidget(fields[i], 1);
    }
  }
  QLineEdit* fields[4] = {};
};

class IpPeer : public QtControlPeer {
 public:
  IpPeer(IpAddress& ip, QWidget* parent, QtBackend& b) : QtControlPeer(ip, new IpWidget(parent), b), ip_(ip) {
    for (int i = 0; i < 4; ++i) {
      QObject::connect(q()->fields[i], &QLineEdit::editingFinished, [this, i] {
        if (!syncing_) ip_.typeField(i, fromQt(q()->fields[i]->text()));
      });
      backend_.registerWidget(q()->fields[i], &ip);
    }
  }
  ~IpPeer() override {
    for (auto* f : q()->fields) backend_.unregisterWidget(f);
  }
  IpWidget* q() const { return static_cast<IpWidget*>(widget_); }
  void syncContent() override {
    for (int i = 0; i < 4; ++i) {
      auto v = ip_.field(i);
      QString t = v ? QString::number(*v) : QString();
      if (q()->fields[i]->text() != t) q()->fields[i]->setText(t);
    }
    setBackground(q(), QPalette::Window, ip_.color(), true);
  }

 private:
  IpAddress& ip_;
};

class UpDownWidget : public QWidget {
 public:
  explicit UpDownWidget(QWidget* parent) : QWidget(parent) {
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    for (auto* b : {up, down}) {
      b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
      b->setAutoRepeat(true);
      col->addWidget(b);
    }
  }
  QToolButton* up;
  QToolButton* down;
};

class UpDownPeer : public QtControlPeer {
 public:
  UpDownPeer(UpDown& u, QWidget* parent, QtBackend& b) : QtControlPeer(u, new UpDownWidget(parent), b), updown_(u) {
    QObject::connect(q()->up, &QToolButton::clicked, [this] { updown_.up(); });
    QObject::connect(q()->down, &QToolButton::clicked, [this] { updown_.down(); });
  }
  UpDownWidget* q() const { return static_cast<UpDownWidget*>(widget_); }
  void syncContent() override {}

 private:
  UpDown& updown_;
};

class DirListPeer : public QtControlPeer {
 public:
  DirListPeer(DirectoryList& d, QWidget* parent, QtBackend& b) : QtControlPeer(d, new QListWidget(parent), b), dir_(d) {
    QObject::connect(q(), &QListWidget::itemDoubleClicked, [this](QListWidgetItem* it) {
      if (!syncing_) {
        int row = q()->row(it);
        // Opening rebuilds the items; leave the widget's signal first.
        backend_.app().post([this, row] { dir_.openItem(row); });
      }
    });
  }
  QListWidget* q() const { return static_cast<QListWidget*>(widget_); }
  void syncContent() override {
    q()->clear();
    const auto& items = dir_.items();
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      int indent = std::min(i, dir_.pathDepth());
      // Folders on the path open, the others closed, each level a little further in.
      QString mark = i < dir_.pathDepth() ? QStringLiteral("\u25BE ") : QStringLiteral("\u25B8 ");
      q()->addItem(QString(indent * 2, QChar(' ')) + mark + toQt(items[static_cast<std::size_t>(i)]));
    }
    q()->setCurrentRow(dir_.currentIndex());
    setBackground(q(), QPalette::Base, dir_.color(), false);
  }

 private:
  DirectoryList& dir_;
};

class DrivePeer : public QtControlPeer {
 public:
  DrivePeer(DriveList& d, QWidget* parent, QtBackend& b) : QtControlPeer(d, new QComboBox(parent), b), drives_(d) {
    QObject::connect(q(), &QComboBox::activated, [this](int i) {
      if (!syncing_ && i >= 0 && i < static_cast<int>(drives_.drives().size()))
        drives_.setDrive(drives_.drives()[static_cast<std::size_t>(i)]);
    });
  }
  QComboBox* q() const { return static_cast<QComboBox*>(widget_); }
  void syncContent() override {
    q()->clear();
    int current = -1;
    for (int i = 0; i < static_cast<int>(drives_.drives().size()); ++i) {
      q()->addItem(toQt(drives_.itemText(i)));
      if (drives_.drives()[static_cast<std::size_t>(i)] == drives_.drive()) current = i;
    }
    q()->setCurrentIndex(current);
  }

 private:
  DriveList& drives_;
};

}  // namespace

QtControlPeer::~QtControlPeer() {
  backend_.unregisterWidget(widget_);
  control_.setPeer(nullptr);
  widget_->hide();
  widget_->deleteLater();
}

void QtControlPeer::sync() {
  if (syncing_) return;
  syncing_ = true;
  const QSignalBlocker block(widget_);
  const Rect& r = control_.bounds();
  widget_->setGeometry(r.left, r.top, r.width, r.height);
  widget_->setFont(qt::toQt(control_.font()));
  widget_->setEnabled(control_.enabled());
  syncContent();
  widget_->setVisible(control_.visible());
  if (control_.focused() && control_.showing() && !widget_->hasFocus() && widget_->window()->isActiveWindow())
    widget_->setFocus(Qt::OtherFocusReason);
  syncing_ = false;
}

std::unique_ptr<QtControlPeer> makePeer(Control& c, QWidget* parent, QtBackend& b) {
  switch (c.kind()) {
    case ControlKind::Label: return std::make_unique<LabelPeer>(static_cast<Label&>(c), parent, b);
    case ControlKind::Button: return std::make_unique<ButtonPeer>(static_cast<Button&>(c), parent, b);
    case ControlKind::Edit: return std::make_unique<EditPeer>(static_cast<Edit&>(c), parent, b);
    case ControlKind::Memo: return std::make_unique<MemoPeer>(static_cast<Memo&>(c), parent, b);
    case ControlKind::CheckBox: return std::make_unique<CheckPeer>(static_cast<CheckBox&>(c), parent, b);
    case ControlKind::RadioButton: return std::make_unique<RadioPeer>(static_cast<RadioButton&>(c), parent, b);
    case ControlKind::Panel: return std::make_unique<PanelPeer>(static_cast<Panel&>(c), parent, b);
    case ControlKind::GroupBox: return std::make_unique<GroupPeer>(static_cast<GroupBox&>(c), parent, b);
    case ControlKind::Bevel: return std::make_unique<BevelPeer>(static_cast<Bevel&>(c), parent, b);
    case ControlKind::Picture: return std::make_unique<PicturePeer>(static_cast<Picture&>(c), parent, b);
    case ControlKind::ProgressBar: return std::make_unique<ProgressPeer>(static_cast<ProgressBar&>(c), parent, b);
    case ControlKind::ListBox: return std::make_unique<ListBoxPeer>(static_cast<ListBox&>(c), parent, b);
    case ControlKind::ComboBox: return std::make_unique<ComboPeer>(static_cast<ComboBox&>(c), parent, b);
    case ControlKind::ListView: return std::make_unique<ListViewPeer>(static_cast<ListView&>(c), parent, b);
    case ControlKind::IpAddress: return std::make_unique<IpPeer>(static_cast<IpAddress&>(c), parent, b);
    case ControlKind::UpDown: return std::make_unique<UpDownPeer>(static_cast<UpDown&>(c), parent, b);
    case ControlKind::DirectoryList: return std::make_unique<DirListPeer>(static_cast<DirectoryList&>(c), parent, b);
    case ControlKind::DriveList: return std::make_unique<DrivePeer>(static_cast<DriveList&>(c), parent, b);
  }
  return nullptr;
}

// ---- the window

FormWindow::FormWindow(Form& f, QtBackend& b) : QWidget(nullptr), form_(f), backend_(b) {
  setAttribute(Qt::WA_DeleteOnClose, false);
}

void FormWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!form_.onPaint) {
    p.fillRect(rect(), qt::toQt(form_.color()));
    return;
  }
  Bitmap surface(width(), height(), form_.color());
  Canvas canvas(surface);
  form_.paintTo(canvas);
  p.drawImage(0, 0, qt::toQImage(surface));
}

void FormWindow::closeEvent(QCloseEvent* e) {
  // The window system's close box asks the form; the form decides whether it goes.
  e->ignore();
  form_.close();
}

bool FormWindow::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && form_.visible() && backend_.app().activeForm() != &form_)
    backend_.app().setForeground(form_);
  if (e->type() == QEvent::Move && isVisible()) form_.movedTo({frameGeometry().x(), frameGeometry().y()});
  return QWidget::event(e);
}

// ---- the form's peer

QtFormPeer::QtFormPeer(Form& f, QtBackend& b) : form_(f), backend_(b), window_(new FormWindow(f, b)) {
  backend_.registerWidget(window_, nullptr);
  for (Control* c : f.allControls()) build(*c);
  form_.setPeer(this);
  syncAll();
}

QtFormPeer::~QtFormPeer() {
  form_.setPeer(nullptr);
  controls_.clear();
  backend_.unregisterWidget(window_);
  window_->hide();
  window_->deleteLater();
}

QWidget* QtFormPeer::containerWidget(Control& c) {
  if (auto* parentCtl = dynamic_cast<Control*>(&c.parent()))
    if (auto it = controls_.find(parentCtl); it != controls_.end()) return it->second->widget();
  return window_;
}

void QtFormPeer::build(Control& c) {
  if (controls_.count(&c)) return;
  if (auto* parentCtl = dynamic_cast<Control*>(&c.parent()); parentCtl && !controls_.count(parentCtl)) build(*parentCtl);
  auto peer = makePeer(c, containerWidget(c), backend_);
  backend_.registerWidget(peer->widget(), &c);
  c.setPeer(peer.get());
  QtControlPeer* raw = peer.get();
  controls_[&c] = std::move(peer);
  raw->sync();
}

void QtFormPeer::controlAdded(Control& c) {
  build(c);
  if (auto* cont = dynamic_cast<Container*>(&c))
    for (Control* child : cont->children()) build(*child);
}

void QtFormPeer::controlRemoved(Control& c) { controls_.erase(&c); }

QWidget* QtFormPeer::widgetOf(const Control& c) const {
  auto it = controls_.find(&c);
  return it == controls_.end() ? nullptr : it->second->widget();
}

void QtFormPeer::sync() {
  window_->setWindowTitle(toQt(form_.caption()));
  Qt::WindowFlags fl = Qt::Window;
  if (form_.borderStyle() == BorderStyle::None) {
    fl |= Qt::FramelessWindowHint;
  } else {
    fl |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    const BorderIcons& icons = form_.borderIcons();
    if (icons.systemMenu) fl |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (icons.systemMenu && icons.minimize) fl |= Qt::WindowMinimizeButtonHint;
    if (icons.systemMenu && icons.maximize && form_.borderStyle() == BorderStyle::Sizeable) fl |= Qt::WindowMaximizeButtonHint;
  }
  if (form_.stayOnTop()) fl |= Qt::WindowStaysOnTopHint;
  if (fl != flags_) {
    bool wasVisible = window_->isVisible();
    window_->setWindowFlags(fl);
    flags_ = fl;
    if (wasVisible) window_->show();
  }
  QPalette p = window_->palette();
  p.setColor(QPalette::Window, qt::toQt(form_.color()));
  window_->setPalette(p);
  window_->setFont(qt::toQt(form_.font()));
  const Size s = form_.clientSize();
  if (form_.borderStyle() == BorderStyle::Sizeable) {
    window_->setMinimumSize(0, 0);
    window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window_->resize(s.width, s.height);
  } else {
    window_->setFixedSize(s.width, s.height);
  }
  window_->move(form_.left(), form_.top());
  window_->setWindowModality(form_.isModal() ? Qt::ApplicationModal : Qt::NonModal);
  window_->update();
}

void QtFormPeer::syncAll() {
  sync();
  for (auto& [c, peer] : controls_) peer->sync();
}

}  // namespace platform::ui
