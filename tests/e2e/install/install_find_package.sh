#!/usr/bin/env bash
# Installs the build tree into a throw-away staging root (as a package would,
# prefix /usr), checks every installed piece is where desktops and linkers look,
# then builds a third-party program with find_package(Voxcore) against the
# staged files and runs it on a real recording.
#
#   install_find_package.sh BUILD_DIR CONSUMER_SOURCE_DIR SPEECH_WAV
set -euo pipefail
build=$1 consumer=$2 speech=$3
work=$(mktemp -d /tmp/sayline-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 \
  || { cat "$work/install.log" >&2; fail "cmake --install failed"; }
usr="$work/stage/usr"
libdir=$(dirname "$(find "$usr" -name 'libvoxcore.so' | head -n1)")
[ -n "$libdir" ] && [ "$libdir" != . ] || fail "no libvoxcore.so installed"

for path in bin/sayline bin/voxcore-cli; do
  [ -x "$usr/$path" ] || fail "$path missing or not executable"
done
for header in SpeechRecognitionManager.h RecordingManager.h AppleSpeechProvider.h \
              SpeechRecognitionProvider.h SpeechRecognitionError.h Locale.h TranscriptFormatting.h; do
  [ -f "$usr/include/voxcore/$header" ] || fail "include/voxcore/$header missing"
done
[ -f "$usr/share/applications/io.sayline.Sayline.desktop" ] || fail "desktop entry missing"
[ -f "$usr/share/icons/hicolor/scalable/apps/io.sayline.Sayline.svg" ] || fail "hicolor icon missing"
[ -f "$usr/share/sayline/KeyboardShortcuts_KeyboardShortcuts/en.json" ] || fail "shortcut texts not installed"
cmp -s "$usr/share/sayline/formatting/en.json" "$(dirname "$0")/../../../voxcore/resources/formatting/en.json" \
  || fail "formatting rules not installed"
[ -f "$usr/share/sayline/pocketsphinx/en-us/dictation.lm.bin" ] && [ -f "$usr/share/sayline/pocketsphinx/en-us/pronunciations.dict" ] \
  || fail "the command-word language model is not installed"
[ -f "$libdir/cmake/Voxcore/VoxcoreConfig.cmake" ] || fail "package config missing"
[ -f "$libdir/cmake/Voxcore/VoxcoreConfigVersion.cmake" ] || fail "package version file missing"

# The shared library: real file, SONAME link (what programs load) and the
# development link (what -lvoxcore finds) all lead to the same file.
soname=$(objdump -p "$libdir/libvoxcore.so" | awk '/SONAME/ {print $2}')
[ "$soname" = libvoxcore.so.0 ] || fail "SONAME is '$soname', expected libvoxcore.so.0"
[ -L "$libdir/libvoxcore.so.0" ] && [ -L "$libdir/libvoxcore.so" ] || fail "library links missing"
[ "$(readlink -f "$libdir/libvoxcore.so")" = "$(readlink -f "$libdir/libvoxcore.so.0")" ] \
  || fail "development link and SONAME link differ"

# The desktop entry launches the installed program by its path under the prefix
# (KWin grants typing only to that path) and names the installed icon.
grep -qx 'Exec=/usr/bin/sayline' "$usr/share/applications/io.sayline.Sayline.desktop" \
  || fail "desktop entry does not run /usr/bin/sayline"
grep -qx 'X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input' "$usr/share/applications/io.sayline.Sayline.desktop" \
  || fail "desktop entry does not ask KWin for fake input"
grep -qx 'Icon=io.sayline.Sayline' "$usr/share/applications/io.sayline.Sayline.desktop" || fail "desktop entry names another icon"
# Its "Settings" action opens the settings window (the way in without a tray).
action=$(sed -n '/^\[Desktop Action Settings\]/,$p' "$usr/share/applications/io.sayline.Sayline.desktop")
grep -qx 'Exec=/usr/bin/sayline --settings' <<<"$action" || fail "desktop entry has no Settings action"
# Not even hints (such as two main categories, which lists the program twice in menus).
report=$(desktop-file-validate "$usr/share/applications/io.sayline.Sayline.desktop" 2>&1) \
  || fail "desktop entry is invalid: $report"
[ -z "$report" ] || fail "desktop entry: $report"

# The staged programs run from where they were installed (no build-tree paths).
if grep -q "$build" <<<"$(ldd "$usr/bin/voxcore-cli")"; then fail "voxcore-cli still loads from the build tree"; fi
grep -q '\[en-US\]' <<<"$("$usr/bin/voxcore-cli" languages)" || fail "installed voxcore-cli lists no en-US"
# The installed library finds its command-word language model beside it: "semicolon" is heard.
flite -voice slt -t "it rained all day semicolon we stayed at home." -o "$work/semicolon.wav"
written=$("$usr/bin/voxcore-cli" transcribe "$work/semicolon.wav" 2>"$work/semicolon.err") || fail "transcribe failed"
[[ "$written" == *";"* ]] && [ ! -s "$work/semicolon.err" ] \
  || fail "installed voxcore-cli did not hear the semicolon: '$written' $(cat "$work/semicolon.err")"

# A library built with AddressSanitizer needs its runtime first in every
# program that loads it: a third party instruments its program too.
consumer_flags=()
# (Read whole before matching: grep -q stopping early would fail the pipe under pipefail.)
if grep -q 'NEEDED.*libasan' <<<"$(objdump -p "$libdir/libvoxcore.so")"; then
  consumer_flags=(-DCMAKE_CXX_FLAGS="-fsanitize=address,undefined")
fi
cmake -S "$consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$usr" "${consumer_flags[@]}" \
  >"$work/configure.log" 2>&1 \
  || { cat "$work/configure.log" >&2; fail "find_package(Voxcore) failed"; }
grep -q "$work/stage" "$work/consumer/CMakeCache.txt" || fail "Voxcore was not found in the staging root"
cmake --build "$work/consumer" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "consumer does not build"; }
"$work/consumer/voxcore-consumer" "$speech" >"$work/run.out" 2>&1 || { cat "$work/run.out" >&2; fail "consumer failed"; }
cat "$work/run.out"
grep -qx 'language en-US' "$work/run.out" || fail "consumer lists no en-US"
grep -Eq '^transcript he was not an .*young man$' "$work/run.out" || fail "consumer did not transcribe"
# A version the package cannot satisfy is refused.
sed 's/Voxcore 0.1 REQUIRED/Voxcore 1.0 REQUIRED/' "$consumer/CMakeLists.txt" >"$work/CMakeLists.txt"
cp "$consumer/main.cpp" "$work/main.cpp"
if cmake -S "$work" -B "$work/too-new" -G Ninja -DCMAKE_PREFIX_PATH="$usr" >/dev/null 2>&1; then
  fail "find_package(Voxcore 1.0) accepted version 0.x"
fi
echo "PASS"
