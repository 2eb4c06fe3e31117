#!/usr/bin/env bash
# Installs the build into a temporary folder (DESTDIR) and checks what lands where.
set -euo pipefail
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
for f in bin/luxpanel bin/luxpanel-cli bin/luxpanel-serve bin/luxpanel-report bin/metersim \
  share/applications/luxpanel.desktop share/icons/hicolor/scalable/apps/luxpanel.svg \
  share/man/man1/luxpanel-cli.1.gz lib/systemd/system/luxpanel-serve@.service; do
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

# luxpanel-cli serve as a service: the unit runs the luxpanel-cli installed beside it, and its
# options file, which may hold the broker's password, is root's alone.
unit=$dest/usr/lib/systemd/system/luxpanel-serve@.service
options=$dest/etc/default/luxpanel-serve
[ -e "$options" ] || { echo "not installed: /etc/default/luxpanel-serve"; exit 1; }
[ "$(stat -c %a "$options")" = 600 ] || { echo "/etc/default/luxpanel-serve is not mode 600"; exit 1; }
grep -qx 'ExecStart=/usr/bin/luxpanel-cli serve --port /dev/%I --record %S/luxpanel/%I $LUXPANEL_SERVE_OPTIONS' "$unit"
grep -qx 'StateDirectory=luxpanel/%I' "$unit"
grep -qx 'EnvironmentFile=-/etc/default/luxpanel-serve' "$unit"
grep -qx 'LUXPANEL_SERVE_OPTIONS="--http 9105 --every 30"' "$options"
if command -v systemd-analyze >/dev/null; then
  # Verified as an instance, running the luxpanel-cli just installed; any word from it is a fault.
  verify=$(mktemp -d)
  trap 'rm -rf "$dest" "$verify"' EXIT
  sed "s|^ExecStart=/usr/bin/luxpanel-cli|ExecStart=$dest/usr/bin/luxpanel-cli|" "$unit" \
    >"$verify/luxpanel-serve@.service"
  said=$(systemd-analyze verify --man=no "$verify/luxpanel-serve@ttyUSB0.service" 2>&1) || true
  [ -z "$said" ] || { echo "systemd-analyze verify: $said"; exit 1; }
  # Exposed no more than 1.2 of systemd's 10, with the serial ports and the network it needs.
  exposure=$(systemd-analyze security --offline=yes "$verify/luxpanel-serve@.service" 2>&1 |
    sed -n 's/^.*Overall exposure level for [^:]*: \([0-9.]*\).*$/\1/p')
  awk -v e="$exposure" 'BEGIN { exit !(e != "" && e + 0 <= 1.2) }' ||
    { echo "systemd-analyze security: exposure \"$exposure\", above 1.2"; exit 1; }
else
  echo "systemd-analyze is not installed: the unit's syntax was not verified (package systemd)"
fi
echo "installed and checked"
