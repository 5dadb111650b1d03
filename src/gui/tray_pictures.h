#pragma once
// The program's own artwork: a picture name of the model (ImageConnect, DrivePing1, ...) as the
// SVG resource of the same name under :/icons. An unknown name gives the not-connected picture,
// an empty name an empty icon.

#include <QIcon>
#include <string>

namespace gui {

QIcon PictureIcon(const std::string& picture);
QPixmap PicturePixmap(const std::string& picture, int size);

}  // namespace gui
