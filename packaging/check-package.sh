#!/usr/bin/env bash
# check-package.sh DEB: checks a built zome2 package: lintian, the AppStream and desktop files, the
# file list, the dependencies, the conffile, and that the packaged program starts. Every check
# runs; the exit status is non-zero if any failed.
set -euo pipefail
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 PACKAGE.deb" >&2
  exit 2
fi
deb="$(realpath "$1")"
# The path file's name is Japanese: without a UTF-8 locale dpkg-deb lists it in octal escapes.
export LC_ALL=C.UTF-8
failures=0
ok() { echo "  ok: $*"; }
failed() { echo "  FAILED: $*" >&2; failures=$((failures + 1)); }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"
version="$(dpkg-deb -f "$deb" Version)"
path_file=/etc/zome2/パスデータ.txt
metainfo=usr/share/metainfo/jp.zome2.Zome2.metainfo.xml
desktop=usr/share/applications/jp.zome2.Zome2.desktop

echo "-- lintian"
lintian_options=(--info --fail-on error)
# lintian refuses to run as root unless told; CI runs the checks as root.
[ "$(id -u)" -eq 0 ] && lintian_options+=(--allow-root)
if lintian "${lintian_options[@]}" "$deb"; then
  ok "lintian reports no errors"
else
  failed "lintian reports errors (above)"
fi

echo "-- AppStream metadata"
if appstreamcli validate --no-net "$work/root/$metainfo"; then
  ok "appstreamcli validate"
else
  failed "appstreamcli validate $metainfo"
fi

echo "-- desktop entry"
if desktop-file-validate "$work/root/$desktop"; then
  ok "desktop-file-validate"
else
  failed "desktop-file-validate $desktop"
fi

echo "-- contents"
listing="$(dpkg-deb -c "$deb")"
expected=(
  ./opt/zome2/zome2/zome2
  ".$path_file"
  ./usr/bin/zome2
  "./$desktop"
  ./usr/share/icons/hicolor/scalable/apps/jp.zome2.Zome2.svg
  ./usr/share/icons/hicolor/48x48/apps/jp.zome2.Zome2.png
  ./usr/share/icons/hicolor/64x64/apps/jp.zome2.Zome2.png
  ./usr/share/icons/hicolor/128x128/apps/jp.zome2.Zome2.png
  ./usr/share/icons/hicolor/256x256/apps/jp.zome2.Zome2.png
  "./$metainfo"
  ./usr/share/man/man1/zome2.1.gz
  ./usr/share/doc/zome2/changelog.gz
  ./usr/share/doc/zome2/copyright
  ./usr/share/lintian/overrides/zome2
)
# The files as dpkg-deb lists them: name after the sixth column; a link ends in "-> target".
names="$(awk '$1 !~ /^d/ { name = $6; for (i = 7; i <= NF; i++) name = name " " $i; print name }' <<<"$listing")"
for f in "${expected[@]}"; do
  if grep -qxF -- "$f" <<<"$names"; then ok "$f"; else failed "$f is not in the package"; fi
done
link="./opt/zome2/パスデータ.txt -> $path_file"
if grep -qxF -- "$link" <<<"$names"; then ok "$link"; else failed "the link $link is not in the package"; fi
# Nothing else: no tests, benchmarks or tools.
unexpected="$(grep -vxF -e "$link" "${expected[@]/#/-e}" <<<"$names" || true)"
if [ -z "$unexpected" ]; then ok "no other files"; else failed "unexpected files: $unexpected"; fi
# Owned by root; directories and programs 0755, everything else 0644.
bad_modes="$(awk '$2 != "root/root" ||
                 ($1 ~ /^d/ && $1 != "drwxr-xr-x") ||
                 ($1 ~ /^-/ && $1 != "-rw-r--r--" && $1 != "-rwxr-xr-x")' <<<"$listing")"
programs="$(awk '$1 == "-rwxr-xr-x" { print $6 }' <<<"$listing" | sort | tr '\n' ' ')"
if [ -n "$bad_modes" ]; then
  failed "wrong owner or permissions: $bad_modes"
elif [ "$programs" != "./opt/zome2/zome2/zome2 ./usr/bin/zome2 " ]; then
  failed "executable files should be the program and its launcher, are: $programs"
else
  ok "owners and permissions"
fi

echo "-- control"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "  Depends: $depends"
for d in libqt6widgets6 libqt6printsupport6 fonts-ipafont-gothic; do
  if grep -qE "(^|, )$d( |,|$)" <<<"$depends"; then ok "depends on $d"; else failed "Depends lacks $d"; fi
done
if [ -f "$work/control/conffiles" ] && grep -qxF -- "$path_file" "$work/control/conffiles"; then
  ok "conffile $path_file"
else
  failed "conffiles does not list $path_file"
fi

echo "-- packaged files"
if out="$(QT_QPA_PLATFORM=offscreen "$work/root/opt/zome2/zome2/zome2" --version 2>&1)" &&
   [ "$out" = "zome2 $version" ]; then
  ok "zome2 --version prints: $out"
else
  failed "zome2 --version printed '$out', expected 'zome2 $version'"
fi
if [ "$(tail -c 2 "$work/root$path_file" | od -An -tx1 | tr -d ' \n')" = 0d0a ]; then
  ok "the path file ends with CR LF"
else
  failed "the path file does not end with CR LF"
fi
kind="$(file --brief "$work/root/opt/zome2/zome2/zome2")"
if [[ "$kind" == *", stripped"* ]]; then
  ok "the program is stripped"
else
  failed "the program is not stripped"
fi

if [ $failures -gt 0 ]; then
  echo "check-package.sh: $failures check(s) failed for $(basename "$deb")" >&2
  exit 1
fi
echo "check-package.sh: all checks passed for $(basename "$deb")"
