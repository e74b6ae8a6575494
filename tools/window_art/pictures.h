#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace stakor::window_art {

struct TPicture {
    QString FileName;
    QImage Image;
};

// All pictures of the main window's skin, in the sizes the window expects.
std::vector<TPicture> DrawAllPictures();

} // namespace stakor::window_art
