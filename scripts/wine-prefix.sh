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
log="$(dirname "$WINEPREFIX")/wineboot.log"
# Wine's helpers inherit our stdout/stderr and would hold a caller's pipes open: detach them.
if ! wineboot -i </dev/null >"$log" 2>&1 || ! timeout 120 wineserver -w || [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-prefix: setting up the Wine prefix $WINEPREFIX failed (see $log); it is not marked ready" >&2
  tail -n 5 "$log" >&2 || true
  exit 1
fi

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
if ! wine regedit /S "$reg" </dev/null >/dev/null 2>&1; then
  echo "wine-prefix: importing the font and window settings into $WINEPREFIX failed; it is not marked ready" >&2
  rm -f "$reg"
  exit 1
fi
# Wine draws the caption buttons of the windows it decorates with the Marlett font; without it in the
# prefix they show as plain letters.
marlett=/usr/share/wine/fonts/marlett.ttf
if [ -f "$marlett" ]; then cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"; fi
timeout 120 wineserver -w || true
rm -f "$reg"
touch "$stamp"
