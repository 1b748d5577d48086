#include "window/window_icon.h"

#include <QPixmap>

#include "window/icons/voltarik.xpm"

namespace voltarik {

QIcon WindowIcon() { return {QPixmap(kWindowIcon)}; }

}  // namespace voltarik
