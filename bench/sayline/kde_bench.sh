#!/usr/bin/env bash
# Sayline on headless KDE Plasma (KWin with Xwayland, its shortcut service, the
# desktop portal): Ctrl+Super+A pressed through KWin's fake input and reaching
# Sayline through the GlobalShortcuts portal -> panel mapped, and -> listening
# (the recognizer's start line). Runs inside with-services --pulse and
# with-kde --xwayland --free-toggle-key; prints FIGURE lines.
#
#   kde_bench.sh SAYLINE FIND_PANEL KWIN_PRESS_KEYS
set -uo pipefail
sayline=$1 find_panel=$2 press_keys=$3
work=$(mktemp -d /tmp/sayline-kdebench.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
# shellcheck source=panel-timing.sh
. "$(dirname "$0")/panel-timing.sh"
listening_count() { grep -c 'Start microphone transcription' "$work/sayline.out"; }
listening_more_than() { [ "$(listening_count)" -gt "$1" ]; }

"$sayline" >"$work/sayline.out" 2>&1 &
wait_until 20000 shown || { echo "panel never shown"; cat "$work/sayline.out"; exit 1; }
# The desktop has bound the key once its record of Sayline is written.
wait_until 20000 grep -q '^toggleMainWindow=Meta+Ctrl+A' "$XDG_CONFIG_HOME/kglobalshortcutsrc" \
  || { echo "Ctrl+Super+A never bound"; cat "$work/sayline.out"; exit 1; }
sleep 2

: >"$work/map"; : >"$work/listening"
for _ in $(seq 7); do
  "$press_keys" 1                        # Escape: cancel, panel hidden
  wait_until 10000 hidden || continue
  sleep 1
  before=$(listening_count)
  start=$(now_ms); "$press_keys" 29 125 30
  wait_until 10000 shown && echo $(( $(now_ms) - start )) >>"$work/map"
  wait_until 10000 listening_more_than "$before" && echo $(( $(now_ms) - start )) >>"$work/listening"
  sleep 1
done
echo "FIGURE kde_key_to_panel=$(median <"$work/map") ms"
echo "FIGURE kde_key_to_listening=$(median <"$work/listening") ms"
