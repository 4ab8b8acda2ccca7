#!/usr/bin/env bash
# Checks the install rules of a finished build.
#   check_install.sh install <build folder> <version>
#     cmake --install into a temporary prefix: exactly the expected files,
#     icons of the right sizes, the desktop entry and the metainfo valid.
#   check_install.sh deb <build folder> <version>
#     cpack into a temporary folder: the package holds the same files under
#     /usr and depends on the packages of the libraries it links.
set -euo pipefail
mode="$1" build="$2" version="$3"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expected_files() {
  cat <<LIST
bin/zandor
share/applications/zandor.desktop
share/icons/hicolor/128x128/apps/zandor.png
share/icons/hicolor/256x256/apps/zandor.png
share/icons/hicolor/32x32/apps/zandor.png
share/icons/hicolor/64x64/apps/zandor.png
share/metainfo/org.example.Zandor.metainfo.xml
share/zandor/Hand.cur
share/zandor/Images/originale/Farbenspiel.jpg
share/zandor/Images/originale/Landschaft.jpg
share/zandor/Images/originale/Mosaik.bmp
share/zandor/Images/originale/Muster.jpg
share/zandor/Images/originale/Segelboot.wmf
share/zandor/screenshot.png
LIST
}

# compare_lists <what> <expected file> <actual file>
compare_lists() {
  if ! diff -u "$2" "$3"; then
    fail "$1 differ from the expected list (- expected, + found)"
  fi
}

check_install() {
  # A prefix with a blank and a per cent sign, which the menu entry's Exec
  # line must quote and double.
  local prefix="$scratch/the 100% prefix"
  cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" || { cat "$scratch/install.log"; fail "cmake --install"; return; }
  (cd "$prefix" && find . -type f -printf '%P\n' | LC_ALL=C sort) >"$scratch/found"
  expected_files | LC_ALL=C sort >"$scratch/expected"
  compare_lists "installed files" "$scratch/expected" "$scratch/found"

  [ -x "$prefix/bin/zandor" ] || fail "bin/zandor is not executable"
  for size in 32 64 128 256; do
    file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/zandor.png" | grep -q "PNG image data, $size x $size," \
      || fail "the ${size}px icon is not a $size x $size PNG"
  done
  # The screenshot shows the whole window: a PNG larger than the board alone.
  local shot
  shot="$(file -b "$prefix/share/zandor/screenshot.png")"
  [[ "$shot" =~ PNG\ image\ data,\ ([0-9]+)\ x\ ([0-9]+) ]] && ((BASH_REMATCH[1] > 416 && BASH_REMATCH[2] > 416)) \
    || fail "screenshot.png: $shot"
  cmp -s "$prefix/share/zandor/Hand.cur" "$build/Zandor/Hand.cur" || fail "Hand.cur differs from the built one"

  local entry="$prefix/share/applications/zandor.desktop"
  desktop-file-validate "$entry" || fail "desktop-file-validate on the installed entry"
  desktop-file-validate "$build/Zandor/zandor.desktop" || fail "desktop-file-validate on the program folder's entry"
  grep -qxF 'Exec="'"${prefix//%/%%}"'/bin/zandor"' "$entry" || fail "the installed entry does not start $prefix/bin/zandor: $(grep ^Exec= "$entry")"
  grep -qx 'Icon=zandor' "$entry" || fail "the installed entry does not name the theme icon zandor"
  if grep -q '^Path=' "$entry"; then fail "the installed entry sets a working folder"; fi
  appstreamcli validate --no-net "$prefix/share/metainfo/org.example.Zandor.metainfo.xml" \
    || fail "appstreamcli validate on the metainfo"
  grep -q '<launchable type="desktop-id">zandor.desktop</launchable>' "$prefix/share/metainfo/org.example.Zandor.metainfo.xml" \
    || fail "the metainfo does not launch zandor.desktop"
}

check_deb() {
  (cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; return; }
  local debs=("$scratch"/package/zandor_"$version"_*.deb)
  [ -f "${debs[0]}" ] || { ls -R "$scratch/package" | head -20; fail "no zandor_${version}_<arch>.deb"; return; }
  local deb="${debs[0]}"
  [ "$(basename "$deb")" = "zandor_${version}_$(dpkg --print-architecture).deb" ] || fail "package name $(basename "$deb")"

  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | LC_ALL=C sort >"$scratch/found"
  expected_files | sed 's|^|usr/|' | LC_ALL=C sort >"$scratch/expected"
  compare_lists "packaged files" "$scratch/expected" "$scratch/found"

  [ "$(dpkg-deb -f "$deb" Package)" = zandor ] || fail "Package: $(dpkg-deb -f "$deb" Package)"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version: $(dpkg-deb -f "$deb" Version)"
  # One dependency for each library the game links, as dpkg-shlibdeps names them.
  local depends
  depends="$(dpkg-deb -f "$deb" Depends)"
  echo "Depends: $depends"
  local names
  names="$(tr ',' '\n' <<<"$depends" | sed -E 's/\(.*//; s/[[:space:]]//g')"
  for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libwmf-0.2-7 libwmflite-0.2-7; do
    grep -qxF "$package" <<<"$names" || fail "Depends lacks $package"
  done
  # The package's own menu entry starts the packaged executable.
  dpkg-deb -x "$deb" "$scratch/root"
  grep -qx 'Exec="/usr/bin/zandor"' "$scratch/root/usr/share/applications/zandor.desktop" \
    || fail "the packaged entry: $(grep ^Exec= "$scratch/root/usr/share/applications/zandor.desktop")"
}

case "$mode" in
  install) check_install ;;
  deb) check_deb ;;
  *) echo "usage: check_install.sh install|deb <build folder> <version>"; exit 2 ;;
esac
if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
