#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs:
# both programs, a valid desktop entry and AppStream metainfo, the application
# icon in the hicolor sizes and the manual page of the command-line tool.
#   check-install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

id=com.quernfield.Plomix2
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

for f in bin/plomix2 bin/plomix2-cli; do
  [[ -x "$prefix/$f" ]] || fail "$f is not installed"
done
for size in 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256; do
  icon="$prefix/share/icons/hicolor/$size/apps/$id.png"
  if [[ ! -s "$icon" ]]; then
    fail "no $size application icon"
  elif [[ "$(head -c 4 "$icon" | tail -c 3)" != PNG ]]; then
    fail "$icon is not a PNG"
  fi
done
[[ -s "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ]] || fail "no scalable application icon"

desktop="$prefix/share/applications/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
echo "desktop-file-validate $desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx "Exec=plomix2" "$desktop" || fail "the desktop entry does not start plomix2"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry names another icon"
echo "appstreamcli validate --no-net $metainfo"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"

man="$prefix/share/man/man1/plomix2-cli.1"
if [[ ! -s "$man" ]]; then
  fail "no manual page"
else
  # Generated from the tool's help: it names every command.
  for command in create info media read ls tree search export dups drives; do
    grep -qE "^$command( |$)" "$man" || fail "the manual page does not describe '$command'"
  done
  grep -q "no\\\\-header" "$man" || fail "the manual page does not describe --no-header"
fi

"$prefix/bin/plomix2-cli" --version | grep -q "^plomix2-cli (Plomix2) " || fail "installed tool"
((status == 0)) && echo "installed files are complete and valid"
exit $status
