#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what landed there: the
# exact list of files, the menu entry, the icon sizes, the manual page and
# that the installed command runs.
#
#   install_test.sh BUILD_DIR SOURCE_DIR VERSION
set -uo pipefail
build=$1
source=$2
version=$3

IconName=vantori-kelmora
IconSizes="16 24 32 48 64 128 256"
PngColourTypeRgba=6

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
checks=0
check() {  # check DESCRIPTION COMMAND...: runs the command, counts a failure
  checks=$((checks + 1))
  if ! "${@:2}"; then
    echo "FAILED: $1" >&2
    failures=$((failures + 1))
  fi
}

if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
  cat "$prefix.log" >&2
  rm -f "$prefix.log"
  echo "FAILED: cmake --install" >&2
  exit 1
fi
rm -f "$prefix.log"

# The tree: these files and nothing else (no stray files, no symbolic links).
expected_tree() {
  echo bin/vantori
  echo bin/vantori-kelmora
  echo share/applications/vantori-kelmora.desktop
  for size in $IconSizes; do echo "share/icons/hicolor/${size}x${size}/apps/$IconName.png"; done
  echo share/man/man1/vantori.1
}
same_tree() {
  diff -u <(expected_tree | LC_ALL=C sort) \
          <(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >&2
}
check "installed files" same_tree
for program in vantori vantori-kelmora; do
  check "bin/$program is executable" test -x "$prefix/bin/$program"
done
check "the manual page is doc/vantori.1" cmp "$source/doc/vantori.1" "$prefix/share/man/man1/vantori.1"

# The menu entry: valid, a game, and naming the installed program and icon.
desktop=$prefix/share/applications/vantori-kelmora.desktop
desktop_key() { sed -n "s/^$1=//p" "$desktop"; }
check "desktop-file-validate" desktop-file-validate "$desktop"
check "Categories" test "$(desktop_key Categories)" = "Game;LogicGame;"
exec_line=$(desktop_key Exec)
check "Exec names the installed program" test -x "$prefix/bin/${exec_line% %f}"
check "Exec passes the file opened with it" test "${exec_line##* }" = "%f"
check "MimeType offers level files and folders" test "$(desktop_key MimeType)" = "text/plain;inode/directory;"
check "Icon names the installed icon" test "$(desktop_key Icon)" = "$IconName"
for key in Name Comment; do
  check "$key is set" test -n "$(desktop_key "$key")"
done

# Each PNG: the signature, then the header's width and height (big-endian
# 32-bit numbers at bytes 16 and 20) and its colour type (byte 25; RGBA keeps
# the transparent background).
png_field() {  # png_field FILE OFFSET LENGTH: an unsigned big-endian number
  od -An -tu1 -j"$2" -N"$3" "$1" | awk '{ for (i = 1; i <= NF; i++) n = n * 256 + $i } END { print n + 0 }'
}
png_is() {  # png_is FILE SIZE
  [ "$(od -An -tx1 -N8 "$1" | tr -d ' \n')" = 89504e470d0a1a0a ] &&
    [ "$(png_field "$1" 16 4)" = "$2" ] && [ "$(png_field "$1" 20 4)" = "$2" ] &&
    [ "$(png_field "$1" 25 1)" = "$PngColourTypeRgba" ]
}
for size in $IconSizes; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$IconName.png
  [ -f "$png" ] && check "$png is an RGBA PNG of ${size}x${size}" png_is "$png" "$size"
done

# The installed command runs on its own (no build folder needed).
work=$prefix/work
levels_output=$("$prefix/bin/vantori" levels --sample --work-dir "$work")
check "installed vantori levels --sample" test $? -eq 0
check "vantori levels prints the sample set" test "${levels_output%%$'\n'*}" = "set Sample count 6 highest 6"
for program in vantori vantori-kelmora; do
  version_output=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/$program" --version)
  check "installed $program --version exits 0" test $? -eq 0
  check "$program --version prints \"$program $version\"" test "$version_output" = "$program $version"
done

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
