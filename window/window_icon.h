#ifndef VOLTARIK_WINDOW_WINDOW_ICON_H_
#define VOLTARIK_WINDOW_WINDOW_ICON_H_

#include <QIcon>

namespace voltarik {

// The window's icon, 88 x 128. Compiled in as XPM, which QPixmap reads by itself: a PNG goes
// through an image reader that first looks through the image format plugins, 2 ms of start-up.
QIcon WindowIcon();

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_WINDOW_ICON_H_
