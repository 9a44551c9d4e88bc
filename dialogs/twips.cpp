#include "dialogs/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace dialogs {

double screenScale(const QWidget* widget) {
  const QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
  if (!screen) return 1.0;
  const double dpi = screen->logicalDotsPerInchX();
  return dpi > 0 ? dpi / 96.0 : 1.0;
}

void placeAt(QWidget* widget, const Twips& t, double scale) {
  widget->setGeometry(toPixels(t, scale));
  widget->setProperty("twips", QRect(t.left, t.top, t.width, t.height));
}

void centreOn(QWidget* window, const QWidget* owner) {
  const QRect o = owner->frameGeometry();
  const QRect w = window->frameGeometry();
  window->move(o.width() / 2 + o.left() - w.width() / 2, o.height() / 2 + o.top() - w.height() / 2);
}

void centreOnScreen(QWidget* window) {
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QRect w = window->frameGeometry();
  window->move(area.left() + (area.width() - w.width()) / 2, area.top() + (area.height() - w.height()) / 2);
}

}  // namespace dialogs
