#!/usr/bin/env bash
# Makes docs/screenshot.png: a seeded game in the real window on a virtual
# display. Needs a build (./build.sh test or run) and xvfb.
set -euo pipefail
cd "$(dirname "$0")/../.."
export XDG_CONFIG_HOME XDG_DATA_HOME
XDG_CONFIG_HOME=$(mktemp -d)
XDG_DATA_HOME=$(mktemp -d)
xvfb-run -a -s "-screen 0 800x700x24 -noreset" ./build/stakor-screenshot docs/screenshot.png
rm -rf "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
echo "docs/screenshot.png written"
