#!/usr/bin/env bash
# Builds MERLOX (installing what is missing) and starts it.
# Usage: scripts/run.sh [FILE]   FILE: a data file to open at start; without
# one, and when no data set was ever opened, the Longley sample on the
# estimates page.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "MERLOX needs a graphical display, and none was found (DISPLAY and WAYLAND_DISPLAY are empty)." >&2
  exit 1
fi

merlox_install_packages
merlox_build "$MERLOX_ROOT/build/release" -DCMAKE_BUILD_TYPE=Release -DMERLOX_TESTS=OFF
# A first start (no file given, no data set opened before) shows the sample.
settings="${XDG_CONFIG_HOME:-$HOME/.config}/merlox/MERLOX.ini"
opened_before() {
  # A recent file in the RECORD section of the settings.
  [ -f "$settings" ] && awk 'BEGIN { IGNORECASE = 1 }
    /^\[/ { inrec = ($0 ~ /^\[RECORD\]/) }
    inrec && /^item0=./ { found = 1 }
    END { exit !found }' "$settings"
}
if [ $# -eq 0 ] && ! opened_before; then
  set -- --first-start "$MERLOX_ROOT/data/samples/Longley.MDF"
fi
exec "$MERLOX_ROOT/build/release/merlox" "$@"
