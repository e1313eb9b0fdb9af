#!/usr/bin/env bash
# Dictation on KDE Plasma through the real program and the real KDE chain
# (KWin with Xwayland, its shortcut service, the desktop portal), each part in
# a fresh chain of tests/support/with-kde:
#   taken      stock KWin keeps Ctrl+Super+A: Sayline says so once on stderr
#   free       the key freed in kglobalshortcutsrc, as System Settings does:
#              Ctrl+Super+A pressed through KWin's fake input reaches Sayline
#              through the portal, starts and ends a dictation of speech played
#              into the virtual microphone, the transcript is on the clipboard
#              (read back with wl-paste); Escape cancels; a shortcut changed in
#              the defaults file is offered to the desktop after a restart, and
#              the desktop keeps one record of Sayline across restarts
#   no-portal  nothing answers for the portal: the compositor-binding route,
#              said once
# Runs inside with-services --pulse.
#
#   kde_dictation.sh SAYLINE SAY_INTO_MIC KWIN_PRESS_KEYS WITH_KDE
set -euo pipefail
sayline=$1 say_into_mic=$2 press_keys=$3 with_kde=$4

# Each part runs this script again inside its chain, the part named first.
if [ "${KDE_DICTATION_PART:-}" = "" ]; then
  for part in taken:"" free:--free-toggle-key no-portal:--no-portal; do
    echo "--- $part"
    KDE_DICTATION_PART=${part%%:*} "$with_kde" --xwayland ${part#*:} -- "$0" "$@" || exit 1
  done
  echo PASS
  exit 0
fi

work=$(mktemp -d /tmp/sayline-kde-e2e.XXXXXX)
# shellcheck source=script-helpers.sh
. "$(dirname "$0")/script-helpers.sh"

defaults=$XDG_CONFIG_HOME/Sayline/defaults.json
mkdir -p "$(dirname "$defaults")"
printf '{"outputTargets": "[\\"pasteboard\\"]"}\n' > "$defaults"

sayline_pid=
start_sayline() {
  "$sayline" >> "$work/sayline.out" 2>&1 & sayline_pid=$!
  pids+=("$sayline_pid")
}
stop_sayline() { kill "$sayline_pid"; wait "$sayline_pid" 2>/dev/null || true; }
output_has() { grep -qF -- "$1" "$work/sayline.out"; }
output_count() { grep -cF -- "$1" "$work/sayline.out" || true; }
listening_count() { output_count 'Start microphone transcription'; }
listening_more_than() { [ "$(listening_count)" -gt "$1" ]; }
clipboard() { wl-paste -n 2>/dev/null; }
clipboard_has_words() { clipboard | grep -qi "fox\|dog\|brown\|quick"; }
# Evdev codes: Ctrl 29, Super 125, A 30, Escape 1, Alt 56, Shift 42, F9 67.
press_toggle() { "$press_keys" 29 125 30; }
press_escape() { "$press_keys" 1; }
# What KDE's shortcut service keeps on disk (it writes the file a moment after a change).
shortcut_records() { cat "$XDG_CONFIG_HOME/kglobalshortcutsrc" 2>/dev/null; }
taken_line='Ctrl+Super+A is used by the desktop for Activate Window Demanding Attention'

case "$KDE_DICTATION_PART" in
taken)
  start_sayline
  wait_for 20 output_has 'shortcuts: GlobalShortcuts portal' || fail "the portal was not chosen"
  wait_for 20 output_has "$taken_line" || fail "the taken shortcut was not reported"
  sleep 2
  [ "$(output_count "$taken_line")" -eq 1 ] || fail "the taken shortcut was reported more than once"
  ;;

free)
  start_sayline
  wait_for 20 output_has 'shortcuts: GlobalShortcuts portal' || fail "the portal was not chosen"
  # Launch opens the panel and listens; Escape through the desktop closes it.
  wait_for 20 panel_shown || fail "panel not shown after launch"
  wait_for 20 listening_more_than 0 || fail "not listening after launch"
  wait_for 15 sh -c "grep -q '^toggleMainWindow=Meta+Ctrl+A' '$XDG_CONFIG_HOME/kglobalshortcutsrc'" \
    || fail "the desktop did not bind Ctrl+Super+A: $(shortcut_records)"
  press_escape
  wait_for 10 panel_hidden || fail "Escape did not close the panel"

  # A dictation started and ended by the real key.
  before=$(listening_count)
  press_toggle
  wait_for 10 panel_shown || fail "Ctrl+Super+A did not open the panel"
  wait_for 10 listening_more_than "$before" || fail "not listening after Ctrl+Super+A"
  "$say_into_mic" "The quick brown fox jumps over the lazy dog."
  sleep 2
  press_toggle
  wait_for 10 panel_hidden || fail "panel still shown after the second press"
  wait_for 15 clipboard_has_words || fail "clipboard: '$(clipboard || true)'"
  delivered=$(clipboard)
  echo "delivered: $delivered"

  # Escape cancels a second one: nothing new on the clipboard.
  before=$(listening_count)
  press_toggle
  wait_for 10 listening_more_than "$before" || fail "not listening after the third press"
  "$say_into_mic" "Testing the microphone."
  press_escape
  wait_for 10 panel_hidden || fail "Escape did not close the panel"
  sleep 1
  [ "$(clipboard)" = "$delivered" ] || fail "Escape delivered '$(clipboard)'"
  output_has 'is used by the desktop for' && fail "a free key was reported as taken"

  # Another stored shortcut (Ctrl+Alt+Shift+F9) is the desktop's after a restart.
  stop_sayline
  python3 - "$defaults" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
d["KeyboardShortcuts_toggleMainWindow"] = json.dumps({"carbonKeyCode": 101, "carbonModifiers": 0x1000 | 0x800 | 0x200})
json.dump(d, open(sys.argv[1], "w"))
PY
  start_sayline
  wait_for 20 panel_shown || fail "panel not shown after the restart"
  wait_for 15 sh -c "grep -q '^toggleMainWindow=Ctrl+Alt+Shift+F9' '$XDG_CONFIG_HOME/kglobalshortcutsrc'" \
    || fail "the changed shortcut was not bound: $(shortcut_records)"
  output_has 'is not what the desktop bound' && fail "the changed shortcut was reported as not bound"
  press_escape
  wait_for 10 panel_hidden || fail "Escape did not close the panel after the restart"
  before=$(listening_count)
  "$press_keys" 29 56 42 67
  wait_for 10 panel_shown || fail "Ctrl+Alt+Shift+F9 did not open the panel"
  wait_for 10 listening_more_than "$before" || fail "not listening after Ctrl+Alt+Shift+F9"
  # One record of Sayline, however often it started.
  [ "$(shortcut_records | grep -c '^toggleMainWindow=')" -eq 1 ] \
    || fail "more than one record of Sayline's shortcuts: $(shortcut_records)"
  ;;

no-portal)
  start_sayline
  compositor_line='shortcuts: compositor bindings (sayline --toggle, sayline --cancel)'
  wait_for 20 output_has "$compositor_line" || fail "no compositor-binding route"
  wait_for 20 panel_shown || fail "panel not shown after launch"
  [ "$(output_count 'Sayline: no global shortcut service (no desktop portal on the session bus)')" -eq 1 ] \
    || fail "the missing portal was not said once"
  ;;
esac
echo "--- $KDE_DICTATION_PART: ok"
