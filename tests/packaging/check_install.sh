#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the program the way a user or a package does and checks the result as a desktop
# sees it: exactly the program and its data, a valid entry and metainfo, and Exec= and
# Icon= naming files that are really there.
#   check_install.sh prefix  CMAKE BUILD_DIR   (cmake --install into a scratch prefix)
#   check_install.sh deb     CPACK BUILD_DIR   (build the .deb twice: the same bytes, lintian
#                                               clean, hardened, stripped; unpack it with dpkg -x)
set -euo pipefail
mode=$1 tool=$2 build=$3
id=org.ladderpost.Ladderpost
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

case $mode in
  prefix)
    "$tool" --install "$build" --prefix "$scratch/prefix" >/dev/null
    root=$scratch/prefix ;;
  deb)
    # Two builds a second apart, with no SOURCE_DATE_EPOCH of the caller's.
    for out in out again; do
      (cd "$scratch" && env -u SOURCE_DATE_EPOCH "$tool" --config "$build/CPackConfig.cmake" -B "$scratch/$out" >/dev/null)
      sleep 1
    done
    debs=("$scratch"/out/*.deb)
    [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
    deb=${debs[0]}
    [[ $(basename "$deb") =~ ^ladderpost_[0-9.]+-[0-9]+_[a-z0-9]+\.deb$ ]] || fail "package file name $(basename "$deb")"
    cmp "$deb" "$scratch/again/$(basename "$deb")" || fail "two package builds differ"
    changelog=$(cd "$(dirname "$0")/../../packaging" && pwd)/changelog
    [ "$(dpkg-deb -f "$deb" Version)" = "$(dpkg-parsechangelog -l "$changelog" -SVersion)" ] ||
      fail "Version $(dpkg-deb -f "$deb" Version) is not the changelog's"
    depends=$(dpkg-deb -f "$deb" Depends)
    for dep in libqt6widgets6 libqt6printsupport6 libcurl4 libc6 libqt6sql6-sqlite \
      "fonts-noto-cjk | fonts-ipafont-gothic" qt6-translations-l10n; do
      [[ $depends == *"$dep"* ]] || fail "Depends lacks $dep: $depends"
    done
    lint=$(lintian --fail-on error,warning "$deb" 2>&1) || fail "lintian:
$lint"
    # Owned by root, files 644 and the program 755, whatever the builder's umask.
    listing=$(dpkg-deb -c "$deb")
    odd=$(awk '$2 != "root/root" || ($1 != "drwxr-xr-x" && $1 != "-rw-r--r--" && !($1 == "-rwxr-xr-x" && $6 == "./usr/bin/ladderpost"))' <<<"$listing")
    [ -z "$odd" ] || fail "unexpected owner or mode:
$odd"
    for f in ./usr/share/doc/ladderpost/copyright ./usr/share/doc/ladderpost/changelog.Debian.gz \
      ./usr/share/man/man1/ladderpost.1.gz ./usr/lib/systemd/user/ladderpost-send.timer \
      ./usr/lib/systemd/user/ladderpost-send.service ./usr/bin/ladderpost; do
      grep -q " $f\$" <<<"$listing" || fail "the package lacks $f"
    done
    dbgsym=("$scratch"/out/*.ddeb)
    dpkg-deb -c "${dbgsym[0]}" | grep -q '/usr/lib/debug/.build-id/.*\.debug$' || fail "no debug symbols beside the package"
    [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"
    [ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no Description"
    dpkg -x "$deb" "$scratch/root"
    root=$scratch/root/usr
    # Stripped and hardened as dpkg-buildflags would make it: PIE, full RELRO, stack protector, fortify.
    program=$root/bin/ladderpost
    ! readelf -S "$program" | grep -q '\.debug_info' || fail "the program is not stripped"
    readelf -h "$program" | grep -q 'Type:.*DYN' || fail "the program is not position-independent"
    readelf -l "$program" | grep -q GNU_RELRO || fail "no RELRO"
    readelf -d "$program" | grep -q 'FLAGS.*BIND_NOW' || fail "no immediate binding"
    symbols=$(readelf --dyn-syms -W "$program")
    grep -q __stack_chk_fail <<<"$symbols" || fail "no stack protector"
    grep -qE '__[a-z]+_chk@' <<<"$symbols" || fail "no fortified functions" ;;
  *) fail "unknown mode $mode" ;;
esac

expected=(
  bin/ladderpost
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/icons/hicolor/scalable/apps/$id.svg
  share/man/man1/ladderpost.1.gz
  share/doc/ladderpost/copyright
  share/doc/ladderpost/changelog.Debian.gz
  share/lintian/overrides/ladderpost
  lib/systemd/user/ladderpost-send.service
  lib/systemd/user/ladderpost-send.timer
)
sizes=(16 24 32 48 64 128 256)
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x$s/apps/$id.png"); done
top=$([ "$mode" = deb ] && echo "$scratch/root" || echo "$root")
installed=$(cd "$top" && find . ! -type d | sed 's|^\./||; s|^usr/||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
[ "$installed" = "$wanted" ] || fail "installed files differ:
$(diff <(echo "$wanted") <(echo "$installed"))"

man_warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$root/share/man/man1/ladderpost.1.gz" 2>&1 >/dev/null)
[ -z "$man_warnings" ] || fail "man page: $man_warnings"

# The timer's service runs the program this install put there; both units verify.
units=$root/lib/systemd/user
exec=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$units/ladderpost-send.service")
program=$([ "$mode" = deb ] && echo "$scratch/root$exec" || echo "$exec")
[ -x "$program" ] && [ "$(realpath "$program")" = "$(realpath "$root/bin/ladderpost")" ] ||
  fail "ExecStart=$exec is not the installed program"
mkdir "$scratch/units"
sed "s#^ExecStart=$exec#ExecStart=$program#" "$units/ladderpost-send.service" >"$scratch/units/ladderpost-send.service"
cp "$units/ladderpost-send.timer" "$scratch/units/"
verify=$(systemd-analyze verify --man=no "$scratch/units/ladderpost-send.timer" "$scratch/units/ladderpost-send.service" 2>&1) ||
  fail "systemd-analyze verify: $verify"

desktop=$root/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" >/dev/null ||
  fail "appstreamcli validate: $(appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml")"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$root/share/metainfo/$id.metainfo.xml" ||
  fail "metainfo does not launch $id.desktop"

exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/bin/$exec_name" ] || fail "Exec=$exec_name is not an executable in bin/"
QT_QPA_PLATFORM=offscreen "$root/bin/$exec_name" --help | grep -q -- --home || fail "installed program does not run"

icon=$(sed -n 's/^Icon=//p' "$desktop")
grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/$icon.svg" || fail "Icon=$icon has no SVG"
for s in "${sizes[@]}"; do
  png=$root/share/icons/hicolor/${s}x$s/apps/$icon.png
  # PNG signature, then the IHDR width and height as 32-bit big-endian numbers.
  read -r -a head <<<"$(od -An -tu1 -N24 "$png" | tr '\n' ' ')"
  [ "${head[1]} ${head[2]} ${head[3]}" = "80 78 71" ] || fail "$png is not a PNG"
  w=$(((head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19]))
  h=$(((head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23]))
  [ "$w x $h" = "$s x $s" ] || fail "$png is $w x $h, not $s x $s"
done
echo "ok: $mode"
