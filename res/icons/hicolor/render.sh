#!/usr/bin/env bash
# Renders the installed application icons from icon126.svg, the main
# window's icon: hicolor/<size>x<size>/apps/zentravolix.png. Run it after
# changing the drawing and commit the results; the build only copies them.
set -euo pipefail
cd "$(dirname "$0")"
src=../icon126.svg
for size in 16 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}/apps"
  # The drawing is 32 units wide: the density alone gives the size, so the
  # edges stay as sharp as the renderer draws them.
  /usr/bin/convert -background none -density "$((96 * size / 32))" "$src" \
    -strip "PNG32:${size}x${size}/apps/zentravolix.png"
done
