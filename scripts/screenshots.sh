#!/usr/bin/env bash
# Takes pictures of the program's pages for the README: starts the real nivora under a
# virtual X server, in a scratch working directory whose profile lists a few generated
# logos, switches to each page of the table below, presses the page's keys and saves
# docs/screenshots/<name>.png.
#
#   scripts/screenshots.sh            every page of the table
#   scripts/screenshots.sh preview    only the pages whose name contains "preview"
#
# Needs xvfb-run, xdotool and ImageMagick (installed when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# One line per page: tab index | picture name | keys pressed on the page before the
# picture is taken (xdotool key names, separated by spaces). Add a line per new page.
pages=(
  "0|select-bitmap|alt+b Down space Up"
  "1|preview-bitmap|alt+q"
  "2|download-bitmap|Down"
  "3|print-bitmap|alt+r Down 1 comma 3 minus 4 alt+h"
  "4|setup-port|"
)

filter=${1:-}
start_tab=4 # the dialog opens on the Setup page

need=()
command -v xvfb-run >/dev/null || need+=(xvfb xauth)
command -v xdotool >/dev/null || need+=(xdotool)
command -v import >/dev/null || need+=(imagemagick)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target nivora
# shellcheck source=/dev/null
. "$root/build/default/programs.env"
exe=$NIVORA

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/logos" "$work/run" "$root/docs/screenshots"
chmod 700 "$work/run"

# A few logos of the kinds shops use: colour, palette, monochrome, one long name.
font=DejaVu-Sans-Bold
convert -size 320x120 xc:white -fill '#6b3e26' -draw 'circle 60,60 60,12' \
  -fill white -draw 'rectangle 40,48 80,80' -fill '#6b3e26' -font $font -pointsize 34 \
  -annotate +120+58 'Nivora' -pointsize 20 -annotate +122+88 'COFFEE HOUSE' BMP3:"$work/logos/coffee.bmp"
convert -size 256x96 xc:white -fill black -draw 'rectangle 4,4 251,91' -fill white \
  -draw 'rectangle 9,9 246,86' -fill black -font $font -pointsize 36 -annotate +38+62 'BAKERY' \
  -monochrome -type bilevel BMP3:"$work/logos/bakery.bmp"
convert -size 200x200 xc:white -fill '#1e88e5' -draw 'roundrectangle 10,10 190,190 30,30' \
  -fill '#ffca28' -draw 'circle 100,100 100,45' -fill '#1e88e5' -font $font -pointsize 40 \
  -annotate +62+116 'FM' -colors 16 -type palette BMP3:"$work/logos/fresh-market-downtown-store.bmp"
convert -size 384x64 xc:white -fill black -font $font -pointsize 30 -annotate +12+44 'THANK YOU!' \
  -monochrome -type bilevel BMP3:"$work/logos/thanks.bmp"
{
  printf '[LOG]\r\n'
  n=1
  for f in coffee bakery fresh-market-downtown-store thanks; do
    printf 'Logofile%d=%s\r\n' $n "$work/logos/$f.bmp"
    n=$((n + 1))
  done
} >"$work/nivora.INI"

cat >"$work/shoot.sh" <<'EOF'
#!/usr/bin/env bash
# Runs inside the virtual X server: exe, out dir, start tab, then the page lines.
set -euo pipefail
exe=$1 out=$2 current=$3
shift 3
"$exe" >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
win=$(xdotool search --sync --onlyvisible --name 'Tarvo Bitmap Nivora' | head -1)
xdotool windowfocus --sync "$win"
sleep 1
for line in "$@"; do
  IFS='|' read -r tab name keys <<<"$line"
  # Ctrl+Tab moves one tab on and wraps from the last to the first.
  for ((i = 0; i < (tab - current + 5) % 5; i++)); do
    xdotool key ctrl+Tab
    sleep 0.3
  done
  current=$tab
  for key in $keys; do
    xdotool key "$key"
    sleep 0.2
  done
  sleep 0.8
  import -window "$win" "$out/$name.png"
  echo "$out/$name.png"
done
EOF
chmod +x "$work/shoot.sh"

selected=()
for line in "${pages[@]}"; do
  IFS='|' read -r _ name _ <<<"$line"
  [[ -z "$filter" || "$name" == *"$filter"* ]] && selected+=("$line")
done
[ ${#selected[@]} -gt 0 ] || { echo "no page matches '$filter'" >&2; exit 1; }

# The program runs in the scratch directory: its profile and lock file stay there.
(cd "$work" && XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x900x24" "$work/shoot.sh" "$exe" "$root/docs/screenshots" "$start_tab" \
  "${selected[@]}")
