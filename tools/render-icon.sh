#!/usr/bin/env bash
# Renders the icons from their SVG sources: the window icon (88 x 128, 256 colours, as XPM, which
# window/window_icon.cpp compiles in and Qt reads without an image reader) and the square PNGs of
# the desktop icon theme. Run after editing the artwork and commit the results; the build uses the
# committed files.
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in rsvg-convert:librsvg2-bin /usr/bin/convert:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || apt-get install -y --no-install-recommends "${tool##*:}"
done
rsvg-convert --width 88 --height 128 window/icons/voltarik.svg --output /tmp/voltarik-icon-rgba.png
/usr/bin/convert /tmp/voltarik-icon-rgba.png -colors 256 +dither /tmp/voltarik.xpm
sed 's/^static const char \*[A-Za-z_]*\[\] = {/static const char* const kWindowIcon[] = {/' \
  /tmp/voltarik.xpm >window/icons/voltarik.xpm
for size in 16 24 32 48 64 128 256; do
  mkdir -p "packaging/icons/$size"
  rsvg-convert --width "$size" --height "$size" packaging/icons/cz.kvorlin.Voltarik.svg \
    --output "packaging/icons/$size/cz.kvorlin.Voltarik.png"
done
