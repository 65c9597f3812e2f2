#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds the Debian package, then checks what a
# desktop needs: every file in its place, the desktop entry and the AppStream metadata valid,
# the package's contents and its dependencies on the Qt 6 runtime.
#   check.sh BUILD-DIR
set -euo pipefail
build=$(cd "$1" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
check() { if eval "$2"; then echo "ok    $1"; else echo "FAIL  $1"; failures=$((failures + 1)); fi; }

cmake --install "$build" --prefix "$prefix" >/dev/null
expected=(
  bin/vintrel
  share/applications/vintrel.desktop
  share/metainfo/org.vintrel.Vintrel.metainfo.xml
  share/icons/hicolor/scalable/apps/vintrel.svg
  share/man/man1/vintrel.1
)
for size in 16 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/vintrel.png")
done
for file in "${expected[@]}"; do
  check "installs $file" "[ -s '$prefix/$file' ]"
done
check "the installed program runs (--version)" "'$prefix/bin/vintrel' --version | grep -q 'Vintrel 1.0'"
check "desktop-file-validate passes" "desktop-file-validate '$prefix/share/applications/vintrel.desktop'"
check "appstreamcli validate passes" \
  "appstreamcli validate --no-net '$prefix/share/metainfo/org.vintrel.Vintrel.metainfo.xml' >/dev/null"
check "the manual page renders" "man -l '$prefix/share/man/man1/vintrel.1' 2>/dev/null | grep -q 'vintrel - finger, WhoIs and DNS look-up'"

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vintrel_*.deb | head -n 1)
contents=$(dpkg-deb -c "$deb")
for file in "${expected[@]}"; do
  check "the package holds /usr/$file" "grep -q ' ./usr/$file\$' <<<\"\$contents\""
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6printsupport6 libqt6gui6 libqt6core6 qt6-qpa-plugins netbase; do
  check "the package depends on $package" "grep -q '$package' <<<\"\$depends\""
done
echo "install checks: $failures failure(s)"
[ "$failures" -eq 0 ]
