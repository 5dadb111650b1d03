#include "gui/tray_pictures.h"

#include <QFile>

// The resources live in a static library: they must be registered by hand.
static void RegisterIcons() {
  static const bool done = [] {
    Q_INIT_RESOURCE(tray_icons);
    return true;
  }();
  (void)done;
}

namespace gui {

QIcon PictureIcon(const std::string& picture) {
  RegisterIcons();
  if (picture.empty()) return {};
  QString path = ":/icons/" + QString::fromStdString(picture) + ".svg";
  if (!QFile::exists(path)) path = ":/icons/ImageNotConnect.svg";
  return QIcon(path);
}

QPixmap PicturePixmap(const std::string& picture, int size) {
  return PictureIcon(picture).pixmap(size, size);
}

}  // namespace gui
