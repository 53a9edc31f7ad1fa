#!/bin/sh
# Adds Calvora to the desktop's application menu, pointing at the folder where this script lies.
# Run it again after moving the Calvora folder.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
mkdir -p "$apps"
sed -e "s|^Exec=.*|Exec=\"$here/calvora\"|" -e "s|^Icon=.*|Icon=$here/share/icons/hicolor/scalable/apps/calvora.svg|" \
  "$here/share/applications/calvora.desktop" > "$apps/calvora.desktop"
echo "Calvora aggiunto al menu delle applicazioni ($apps/calvora.desktop)."
