#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a temporary prefix and builds the Debian package, then checks what a
# desktop and a packager need: every file in its place, the desktop entry and the AppStream
# metadata valid, the package clean under lintian, its contents and dependencies, and that it
# installs and purges without a trace (into a private dpkg root in a temporary folder).
#   check.sh BUILD-DIR
set -euo pipefail
build=$(cd "$1" && pwd)
prefix=$(mktemp -d)
root=$(mktemp -d)
trap 'rm -rf "$prefix" "$root"' EXIT
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
failures=0
check() { if eval "$2"; then echo "ok    $1"; else echo "FAIL  $1"; failures=$((failures + 1)); fi; }

cmake --install "$build" --prefix "$prefix" >/dev/null
expected=(
  bin/vintrel
  bin/vintrel-query
  share/man/man1/vintrel-query.1.gz
  share/applications/org.vintrel.vintrel.desktop
  share/metainfo/org.vintrel.vintrel.metainfo.xml
  share/icons/hicolor/scalable/apps/vintrel.svg
  share/man/man1/vintrel.1.gz
  share/doc/vintrel/copyright
  share/doc/vintrel/changelog.Debian.gz
)
for size in 16 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/vintrel.png")
done
for file in "${expected[@]}"; do
  check "installs $file" "[ -s '$prefix/$file' ]"
done
check "the installed program runs (--version)" "'$prefix/bin/vintrel' --version | grep -qx 'Vintrel $version'"
# The DNS and print libraries are opened when first used, not loaded at every start.
needed=$(readelf -d "$prefix/bin/vintrel" | grep NEEDED)
check "the program is not linked to libunbound, ldns or libcups" \
  "! grep -qE 'libunbound|libldns|libcups' <<<\"\$needed\""
check "desktop-file-validate passes" "desktop-file-validate '$prefix/share/applications/org.vintrel.vintrel.desktop'"
check "appstreamcli validate passes" \
  "appstreamcli validate --no-net '$prefix/share/metainfo/org.vintrel.vintrel.metainfo.xml' >/dev/null"
notes=$(appstreamcli validate --pedantic --no-net "$prefix/share/metainfo/org.vintrel.vintrel.metainfo.xml" 2>&1 || true)
check "the component id is lower case" "! grep -q cid-contains-uppercase-letter <<<\"\$notes\""
check "the manual page renders" "man -l '$prefix/share/man/man1/vintrel.1.gz' 2>/dev/null | grep 'vintrel - finger, WhoIs and DNS look-up' >/dev/null"
check "the desktop entry handles finger: links" "grep -qx 'MimeType=x-scheme-handler/finger;' '$prefix/share/applications/org.vintrel.vintrel.desktop'"
check "the metadata names the MIT licence" "grep -q '<project_license>MIT</project_license>' '$prefix/share/metainfo/org.vintrel.vintrel.metainfo.xml'"

rm -f "$build"/vintrel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vintrel_*.deb | head -n 1)
check "the package is version $version-1" "[ \"\$(dpkg-deb -f '$deb' Version)\" = '$version-1' ]"
# Errors and warnings fail; the two info tags left are explained in the README.
tags=$(lintian -E -I --pedantic "$deb" 2>/dev/null | grep -v -e 'binary-has-unneeded-section .comment' \
  -e 'hardening-no-fortify-functions' || true)
check "lintian -E -I --pedantic has nothing to say${tags:+: $tags}" "[ -z \"\$tags\" ]"
# Reproducible: a second build of the same tree, with newer file times, gives the same bytes.
cp "$deb" "$root/first.deb"
touch "$build/vintrel"
(cd "$build" && env -u SOURCE_DATE_EPOCH cpack -G DEB >/dev/null)
check "a second build of the package gives the same bytes" "cmp -s '$deb' '$root/first.deb'"
rm -f "$root/first.deb"
check "the binary is stripped" "dpkg-deb --fsys-tarfile '$deb' | tar -xO ./usr/bin/vintrel | file - | grep -q ', stripped'"
contents=$(dpkg-deb -c "$deb")
for file in "${expected[@]}"; do
  check "the package holds /usr/$file" "grep -qE ' ./usr/$file( -> .*)?$' <<<\"\$contents\""
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6printsupport6 libqt6gui6 libqt6core6 libunbound8 libldns3 libcups2 \
  netbase dns-root-data; do
  check "the package depends on $package" "grep -q '$package' <<<\"\$depends\""
done
check "the package recommends qt6-wayland" "[ \"\$(dpkg-deb -f '$deb' Recommends)\" = qt6-wayland ]"

# `make run` and `make package` build the program, not the test suite.
source=$(cd "$(dirname "$0")/../.." && pwd)
# (grep without -q: it would stop reading early, and make's SIGPIPE fail the pipeline.)
check "make run builds no tests" "make -C '$source' -n run | grep -- '-DVINTREL_BUILD_TESTS=OFF' >/dev/null"

# Installed and purged in a dpkg root of its own: nothing may stay behind.
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status"
dpkg_here() { dpkg --root="$root" --force-depends --force-not-root --log=/dev/null "$@"; }
check "the package installs" "dpkg_here -i '$deb' >/dev/null 2>&1 && [ -x '$root/usr/bin/vintrel' ]"
check "the package purges without a trace" \
  "dpkg_here --purge vintrel >/dev/null 2>&1 && [ -z \"\$(find '$root' -not -type d -not -path '$root/var/lib/dpkg/*')\" ]"
echo "install checks: $failures failure(s)"
[ "$failures" -eq 0 ]
