#!/usr/bin/env bash
# Builds the Debian package from the build tree with CPack, then reads it back:
# its files, its dependencies (the shared libraries' packages found by
# dpkg-shlibdeps plus the QML modules and the English model), that apt could
# satisfy them here, and that the packaged voxcore-cli runs from the unpacked
# package and transcribes a recording.
#
#   debian_package.sh BUILD_DIR SPEECH_WAV
set -euo pipefail
build=$1 speech=$2
work=$(mktemp -d /tmp/sayline-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(find "$work/out" -maxdepth 1 -name 'sayline_*.deb' | head -n1)
[ -n "$deb" ] || { cat "$work/cpack.log" >&2; fail "no sayline_*.deb produced"; }
echo "package: $(basename "$deb")"

dpkg-deb -I "$deb" >"$work/info"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
cat "$work/info"

for path in ./usr/bin/sayline ./usr/bin/voxcore-cli \
            ./usr/share/applications/io.sayline.Sayline.desktop \
            ./usr/share/icons/hicolor/scalable/apps/io.sayline.Sayline.svg \
            ./usr/include/voxcore/SpeechRecognitionManager.h; do
  grep -qx "$path" "$work/files" || fail "package lacks $path"
done
grep -Eq '^\./usr/lib/(.*/)?libvoxcore\.so\.0\.[0-9.]+$' "$work/files" || fail "package lacks libvoxcore.so.0.x"
grep -Eq '^\./usr/lib/(.*/)?cmake/Voxcore/VoxcoreConfig\.cmake$' "$work/files" || fail "package lacks the CMake package config"
grep -q "^ Package: sayline$" "$work/info" || fail "package is not named sayline"

depends=$(sed -n 's/^ Depends: //p' "$work/info")
[ -n "$depends" ] || fail "package has no Depends"
# From dpkg-shlibdeps (the libraries the binaries load) and from the list of
# runtime pieces no linker sees.
for package in libc6 libqt6core6 libqt6gui6 libqt6qml6 libqt6quick6 libqt6widgets6 libqt6network6 \
               libpocketsphinx3 libpulse0 libsndfile1 libsoxr0 'libicu[0-9]+' 'libxcb[0-9]*' \
               pocketsphinx-en-us qml6-module-qtquick qml6-module-qtquick-controls \
               qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qt-labs-platform qt6-qpa-plugins; do
  echo "$depends" | tr ',' '\n' | sed 's/^ *//' | grep -Eq "^${package}( |$)" || fail "Depends lacks $package: $depends"
done
# The package must not depend on itself or on anything built here.
if echo "$depends" | grep -Eq 'voxcore|sayline'; then fail "Depends names a library of this package: $depends"; fi

# Every dependency can be met on this system (nothing is installed).
apt-get -s -o Debug::NoLocking=1 install "$deb" >"$work/apt.log" 2>&1 \
  || { cat "$work/apt.log" >&2; fail "apt cannot satisfy the package's dependencies"; }

# The packaged program works from the package's own files.
dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/voxcore-cli" transcribe "$speech" --language en-US --raw >"$work/transcript" 2>&1 \
  || { cat "$work/transcript" >&2; fail "packaged voxcore-cli failed"; }
grep -Eq "^he was not an .*young man$" "$work/transcript" || fail "packaged voxcore-cli: $(cat "$work/transcript")"
echo "PASS"
