#!/usr/bin/env bash
# Installs the build into a temporary folder (DESTDIR) and checks what lands where.
set -euo pipefail
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
for f in bin/luxpanel bin/luxpanel-cli bin/metersim \
  share/applications/luxpanel.desktop share/icons/hicolor/scalable/apps/luxpanel.svg \
  share/man/man1/luxpanel-cli.1.gz; do
  [ -e "$dest/usr/$f" ] || { echo "not installed: /usr/$f"; exit 1; }
done
desktop=$dest/usr/share/applications/luxpanel.desktop
desktop-file-validate "$desktop"
grep -qx 'Categories=Science;Electronics;' "$desktop"
grep -qx 'Exec=luxpanel' "$desktop"
"$dest/usr/bin/luxpanel-cli" --help | grep -q '^Usage: luxpanel-cli COMMAND'
if command -v groff >/dev/null; then
  [ -z "$(zcat "$dest/usr/share/man/man1/luxpanel-cli.1.gz" | groff -man -ww -z 2>&1)" ]
fi
echo "installed and checked"
