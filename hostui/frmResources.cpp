#include "hostui/frmResources.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <map>
#include <string>

namespace hostui {
namespace {

// The image list: key → resource. 16 × 16, as the host's toolbars draw them.
const std::map<std::u16string, const char*, std::less<>>& imageList() {
  static const std::map<std::u16string, const char*, std::less<>> images{
      {u"CarrowindLabelsSM", ":/hostui/CarrowindLabelsSM.svg"}};
  return images;
}

}  // namespace

frmResources& frmResources::instance() {
  static frmResources resources;
  return resources;
}

std::intptr_t frmResources::ImageHandle(std::u16string_view key) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 0;
  auto found = imageList().find(key);
  if (found == imageList().end()) return 0;
  // Never destroyed: the host may draw a handle until the process ends,
  // after the application object is gone.
  static auto* drawn = new std::map<std::u16string, QPixmap, std::less<>>;
  auto [at, inserted] = drawn->try_emplace(std::u16string(key));
  if (inserted) at->second = QIcon(QString::fromUtf8(found->second)).pixmap(16, 16);
  return at->second.isNull() ? 0 : reinterpret_cast<std::intptr_t>(&at->second);
}

}  // namespace hostui
