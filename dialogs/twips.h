#pragma once
// Window measures in twips, as the dialogs are drawn: 15 twips to a pixel
// at 96 dpi, more pixels on a screen set to a higher resolution.
#include <QRect>
#include <QSize>

class QWidget;

namespace dialogs {

struct Twips {
  int left, top, width, height;
};

// Pixels per twip-pixel for the screen a widget is on (1.0 at 96 dpi).
double screenScale(const QWidget* widget);

inline int twipsToPixels(int twips, double scale) { return static_cast<int>(twips * scale / 15.0 + 0.5); }

inline QRect toPixels(const Twips& t, double scale) {
  return {twipsToPixels(t.left, scale), twipsToPixels(t.top, scale), twipsToPixels(t.width, scale),
          twipsToPixels(t.height, scale)};
}
inline QSize toPixels(int width, int height, double scale) {
  return {twipsToPixels(width, scale), twipsToPixels(height, scale)};
}

// Places a widget at a position given in twips and keeps the twips on it
// (property "twips") for whoever lays it out again.
void placeAt(QWidget* widget, const Twips& t, double scale);

// Moves window to the middle of owner (both outer frames):
// left = owner width / 2 + owner left - window width / 2, the same for top.
void centreOn(QWidget* window, const QWidget* owner);

// Moves window to the middle of the screen it will be shown on.
void centreOnScreen(QWidget* window);

}  // namespace dialogs
