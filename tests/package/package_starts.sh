#!/bin/sh
# The release package unpacks in an unrelated folder and starts there, creating its Dati beside the
# program. Usage: package_starts.sh <build folder>
set -eu
build=$1
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
pid=""
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null
archive=$(ls "$work"/out/Calvora-*.tar.gz)
mkdir "$work/altrove"
tar -xzf "$archive" -C "$work/altrove"
folder=$(ls -d "$work"/altrove/Calvora-*)
for f in calvora "Guida Calvora.pdf" collega-al-menu.sh share/applications/calvora.desktop \
    share/icons/hicolor/scalable/apps/calvora.svg; do
  [ -e "$folder/$f" ] || { echo "missing in the package: $f"; exit 1; }
done
cd "$work"
QT_QPA_PLATFORM=offscreen "$folder/calvora" &
pid=$!
i=0
while [ ! -f "$folder/Dati/calvora.sqlite" ] || [ ! -d "$folder/Dati/Backup" ]; do
  i=$((i + 1))
  if [ "$i" -gt 300 ] || ! kill -0 "$pid" 2>/dev/null; then
    echo "the unpacked program did not create its Dati folder"
    exit 1
  fi
  sleep 0.1
done
sleep 1
kill -0 "$pid" || { echo "the program stopped by itself"; exit 1; }
echo "started from $folder, data in $folder/Dati"
