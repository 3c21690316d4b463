#!/usr/bin/env bash
# Checks what a file manager needs for a double-clicked show to open in Kalvor: the MIME
# file compiles and maps each of our endings to its type, the menu entry is valid, opens
# the show type and names the icon that is installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/mime/packages"
cp "$here/kalvor-mime.xml" "$work/mime/packages/kalvor.xml"
XDG_DATA_DIRS="$work" update-mime-database "$work/mime" >/dev/null
for pair in kal:application/x-kalvor-show kov:application/x-kalvor-layout \
            klg:application/x-kalvor-log kfa:application/x-kalvor-backup; do
  ending=${pair%%:*} type=${pair#*:}
  grep -q "^[0-9]*:$type:\*\.$ending\$" "$work/mime/globs2" ||
    { echo "*.$ending is not mapped to $type"; exit 1; }
done

desktop="$here/kalvor.desktop"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop"
fi
grep -q '^MimeType=.*application/x-kalvor-show;' "$desktop" ||
  { echo "the menu entry does not open shows"; exit 1; }
grep -q '^Exec=kalvor %f$' "$desktop" || { echo "the menu entry does not pass the file"; exit 1; }
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$here/icons/$icon.svg" ] || { echo "icon $icon is not ours"; exit 1; }
echo "desktop files: ok"
