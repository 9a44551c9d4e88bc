#pragma once
// The host's status bar shown in a QStatusBar: pane 0 is the message at its
// left, the progress animation a bar at its right. Work that reports its
// progress (the labeler, class by class) moves that bar while it runs on
// the window's thread, so the bar and the message are painted at once
// rather than when the event loop next runs.
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <map>

#include "host/host.h"
#include "platform/com/object.h"
#include "platform/progress/progress.h"

class QStatusBar;

namespace carrowind::map {

class QtProgressAnimation : public com::Object<host::IAnimationProgressor> {
 public:
  explicit QtProgressAnimation(QProgressBar* bar) : bar_(bar) {}
  void Show() override;
  void Hide() override;
  void Play() override;  // a busy bar until progress says how far it is
  void Stop() override;
  bool Visible() override { return visible_; }
  bool Playing() override { return playing_; }
  // done of total (0: not known), from the progress seam; shown while
  // playing. Long work runs on the window's thread, so this also lets the
  // windows repaint (now and then; input waits until the work is done).
  void progress(int done, int total);

 private:
  QPointer<QProgressBar> bar_;
  bool visible_ = false, playing_ = false;
  QElapsedTimer sincePaint_;
};

class QtStatusBar : public com::Object<host::IStatusBar> {
 public:
  // Adds its message label and progress bar to bar, and installs a handler
  // on the progress seam until detach(). Extensions and dialogs may hold
  // the object longer than the window lives; without its widgets it keeps
  // the messages of panes other than 0 only.
  explicit QtStatusBar(QStatusBar* bar);
  ~QtStatusBar() override { detach(); }
  // Puts back the progress handler that stood before; the window calls it
  // when it closes.
  void detach();

  host::Text Message(int pane) override;
  void Message(int pane, const host::Text& message) override;
  host::Ref<host::IAnimationProgressor> ProgressAnimation() override { return progress_; }

  QLabel* messageLabel() const { return message_; }
  QProgressBar* progressBar() const { return bar_; }

 private:
  QPointer<QLabel> message_;
  QPointer<QProgressBar> bar_;
  std::map<int, host::Text> otherPanes_;
  host::Ref<QtProgressAnimation> progress_;
  platform::progress::Handler previous_;
  bool attached_ = false;
};

}  // namespace carrowind::map
