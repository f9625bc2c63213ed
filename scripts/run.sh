#!/usr/bin/env bash
# Starts Odovex from its run directory, run/ (ignored by git): the program and, from the first
# run on, its statistics file. A fresh file holds the initial record (every counter 0, "False",
# no units, dimensions 0, "Start", no date), so the first start opens the setup dialog; it is
# dist/Odovex1.dat, the file that the installed menu entry's launcher copies too.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -x build/odovex ]; then
  echo "run: build/odovex is missing; build it with 'make'." >&2
  exit 1
fi
mkdir -p run
ln -sfn ../build/odovex run/odovex
if [ ! -e run/Odovex1.dat ]; then
  cp dist/Odovex1.dat run/Odovex1.dat
fi
# Odovex finds its file in the directory it is started from.
cd run
exec ./odovex
