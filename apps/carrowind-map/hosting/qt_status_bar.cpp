#include "apps/carrowind-map/hosting/qt_status_bar.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace carrowind::map {

void QtProgressAnimation::Show() {
  visible_ = true;
  if (!bar_) return;
  bar_->show();
  bar_->repaint();
}

void QtProgressAnimation::Hide() {
  visible_ = false;
  if (bar_) bar_->hide();
}

void QtProgressAnimation::Play() {
  playing_ = true;
  if (!bar_) return;
  bar_->setRange(0, 0);
  if (bar_->isVisible()) bar_->repaint();
}

void QtProgressAnimation::Stop() {
  playing_ = false;
  if (!bar_) return;
  bar_->setRange(0, 1);
  bar_->setValue(0);
}

void QtProgressAnimation::progress(int done, int total) {
  if (!playing_ || !bar_) return;
  if (total > 0) {
    bar_->setRange(0, total);
    bar_->setValue(std::min(done, total));
  } else {
    bar_->setRange(0, 0);  // busy: how much is left is not known
  }
  if (!sincePaint_.isValid() || sincePaint_.elapsed() >= 100) {
    sincePaint_.start();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

QtStatusBar::QtStatusBar(QStatusBar* bar) {
  message_ = new QLabel(bar);
  message_->setObjectName(QStringLiteral("StatusMessage"));
  message_->setMinimumWidth(1);  // long messages are cut, never widen the window
  bar_ = new QProgressBar(bar);
  bar_->setObjectName(QStringLiteral("StatusProgress"));
  bar_->setMaximumWidth(160);
  bar_->setTextVisible(false);
  bar_->hide();
  bar->addWidget(message_, 1);
  bar->addPermanentWidget(bar_);
  progress_ = com::make<QtProgressAnimation>(bar_);
  previous_ = platform::progress::setHandler([progress = progress_](int done, int total) {
    progress->progress(done, total);
  });
  attached_ = true;
}

void QtStatusBar::detach() {
  if (!attached_) return;
  attached_ = false;
  platform::progress::setHandler(std::move(previous_));
}

host::Text QtStatusBar::Message(int pane) {
  if (pane == 0) return message_ ? message_->text().toStdU16String() : host::Text();
  auto it = otherPanes_.find(pane);
  return it == otherPanes_.end() ? host::Text() : it->second;
}

void QtStatusBar::Message(int pane, const host::Text& message) {
  if (pane != 0) {
    otherPanes_[pane] = message;
    return;
  }
  if (!message_) return;
  message_->setText(QString::fromStdU16String(message));
  if (message_->isVisible()) message_->repaint();
}

}  // namespace carrowind::map
