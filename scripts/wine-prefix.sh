#!/usr/bin/env bash
# Creates the Wine prefix once (about 700 MB, reused afterwards): a zh_CN desktop whose dialog
# fonts map to an installed CJK font, and whose windows Wine decorates itself (Xvfb has no
# window manager).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/wine-env.sh"

stamp="$WINEPREFIX/.pushclient-ready"
[ -f "$stamp" ] && exit 0

mkdir -p "$WINEPREFIX"
# Wine's helpers inherit our stdout/stderr and would hold a caller's pipes open: detach them.
wineboot -i </dev/null >"$WINEPREFIX/../wineboot.log" 2>&1 || true
timeout 120 wineserver -w || true

reg="$(mktemp --suffix=.reg)"
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS Shell Dlg"="WenQuanYi Zen Hei Sharp"
"MS Shell Dlg 2"="WenQuanYi Zen Hei Sharp"
"SimSun"="WenQuanYi Zen Hei Sharp"
"Tahoma"="WenQuanYi Zen Hei Sharp"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
REG
wine regedit /S "$reg" </dev/null >/dev/null 2>&1
# Wine draws the caption buttons of the windows it decorates with the Marlett font; without it in the
# prefix they show as plain letters.
for font in /usr/share/wine/fonts/marlett.ttf; do
  [ -f "$font" ] && cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done
timeout 120 wineserver -w || true
rm -f "$reg"
touch "$stamp"
