#!/usr/bin/env bash
# check_install.sh <build folder> <version>: cmake --install under a prefix
# with a blank and a per cent sign (which the menu entry's Exec line must quote
# and double), then cpack; the package must hold the same files under /usr.
set -uo pipefail
build="$1" version="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix="$scratch/the 100% prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
(cd "$prefix" && find . -type f -printf '%P\n' | LC_ALL=C sort) >"$scratch/installed"
{
  printf '%s\n' bin/zandor share/applications/zandor.desktop share/metainfo/org.example.Zandor.metainfo.xml share/doc/zandor/copyright \
    share/zandor/{Hand.cur,screenshot.png} share/icons/hicolor/{32x32,64x64,128x128,256x256}/apps/zandor.png
  (cd "$build/Zandor" && find Images translations -type f -printf 'share/zandor/%p\n')
} | LC_ALL=C sort | diff -u - "$scratch/installed" || fail "installed files (- expected, + found)"
for f in "$build"/Zandor/Hand.cur "$build"/Zandor/Images/originale/* "$build"/Zandor/translations/*; do
  cmp -s "$f" "$prefix/share/zandor/${f#"$build"/Zandor/}" || fail "$f differs from the installed copy"
done
for size in 32 64 128 256; do
  file -b "$prefix/share/icons/hicolor/${size}x$size/apps/zandor.png" | grep -q "^PNG image data, $size x $size," \
    || fail "the ${size}px icon is no $size x $size PNG"
done
entry="$prefix/share/applications/zandor.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate"
grep -qxF "Exec=\"${prefix//%/%%}/bin/zandor\"" "$entry" || fail "the entry starts $(grep ^Exec= "$entry")"
grep -qx 'Icon=zandor' "$entry" || fail "the entry does not name the icon zandor"
appstreamcli validate --no-net "$prefix/share/metainfo/org.example.Zandor.metainfo.xml" || fail "appstreamcli validate"
# The copyright file in the machine-readable format, under the licence the
# metainfo names; every paragraph but the header has its fields.
copyright="$prefix/share/doc/zandor/copyright"
head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  || fail "the copyright file does not start with its Format line"
license="$(sed -n 's:.*<project_license>\(.*\)</project_license>.*:\1:p' "$prefix/share/metainfo/org.example.Zandor.metainfo.xml")"
for field in "Upstream-Name: Zandor" "Files: \\*" "Copyright: [0-9]{4} Zandor-Team"; do
  grep -qxE "$field" "$copyright" || fail "the copyright file lacks \"$field\""
done
[ "$(grep -cxE "License: $license" "$copyright")" -eq 2 ] || fail "the copyright file does not name $license twice (files, text)"

(cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; }
deb="$scratch/package/zandor_${version}_$(dpkg --print-architecture).deb"
if [ -f "$deb" ]; then
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' | LC_ALL=C sort \
    | diff -u "$scratch/installed" - || fail "packaged files (- installed, + packaged)"
  # Field:package; the libraries versioned, as dpkg-shlibdeps writes them.
  for want in 'Recommends:qt6-translations-l10n(,|$)' 'Recommends:qt6-wayland(,|$)' \
              'Depends:libc6 \(>= [0-9]' 'Depends:libqt6widgets6 \(>= [0-9]' 'Depends:libwmf-0.2-7 \(>= [0-9]'; do
    grep -qE "(^|, )${want#*:}" <<<"$(dpkg-deb -f "$deb" "${want%%:*}")" || fail "${want%%:*} lacks ${want#*:}"
  done
else
  ls -R "$scratch/package"
  fail "no $(basename "$deb")"
fi
((failures == 0)) || { echo "$failures check(s) failed"; exit 1; }
