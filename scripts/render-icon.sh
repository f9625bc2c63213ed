#!/usr/bin/env bash
# Renders the application icon's 32 x 32 picture from its SVG source (rsvg-convert, Debian's
# librsvg2-bin). Run it after editing the SVG and commit both files.
set -euo pipefail
cd "$(dirname "$0")/.."
rsvg-convert --width 32 --height 32 --output splash/icons/odovex-32.png splash/icons/odovex.svg
