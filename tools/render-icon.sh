#!/usr/bin/env bash
# Renders the window icon (88 x 128, 256 colours) from its SVG source. Run after editing the
# artwork and commit both files; the build uses the committed PNG.
set -euo pipefail
cd "$(dirname "$0")/../window/icons"
for tool in rsvg-convert:librsvg2-bin /usr/bin/convert:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || apt-get install -y --no-install-recommends "${tool##*:}"
done
rsvg-convert --width 88 --height 128 voltarik.svg --output /tmp/voltarik-icon-rgba.png
/usr/bin/convert /tmp/voltarik-icon-rgba.png -colors 256 PNG8:voltarik.png
