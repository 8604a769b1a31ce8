#!/usr/bin/env bash
# Pictures of the editor's window for the README, taken from the real window:
# a sample archive is made from content drawn here (nothing is downloaded),
# the editor imports it and shows it in a virtual X screen, and the window is
# captured on the Scenes tab (a map with its tile set, previewed) and on the
# Sprites tab. Run it again whenever the window changes:
#
#   bash scripts/readme_shots.sh [build-dir] [output-dir]
#
# Needs the built editor (default: build/app/Skarden), xvfb-run, xdotool and
# ImageMagick (convert, import). Writes scenes-tab.png and sprites-tab.png to
# the output directory (default: docs/images).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
OUT=$(mkdir -p "${2:-$ROOT/docs/images}" && cd "${2:-$ROOT/docs/images}" && pwd)
EDITOR="$BUILD/app/Skarden"
for tool in xvfb-run xdotool convert import; do
    command -v "$tool" >/dev/null || { echo "readme_shots: $tool is missing" >&2; exit 1; }
done
[ -x "$EDITOR" ] || { echo "readme_shots: build the editor first ($EDITOR)" >&2; exit 1; }

WORK=$(mktemp -d)
# READMESHOTS_KEEP=1 keeps the work folder with a picture of every step.
[ -n "${READMESHOTS_KEEP:-}" ] && echo "readme_shots: work folder $WORK" || trap 'rm -rf "$WORK"' EXIT

# --- content: a tile set, a village map, a coin sprite, a title picture ---
cd "$WORK"
T=32
# Eight 32-pixel tiles, drawn one by one, then laid out 4 x 2.
convert -size 32x32 xc:'#5a9e45' -fill '#74bd5e' -draw 'point 5,7 point 20,12 point 12,25 point 27,4' t1.png
convert -size 32x32 xc:'#e2cf8f' -fill '#c8b06a' -draw 'point 8,8 point 23,20 point 13,27' t2.png
convert -size 32x32 xc:'#3f7fc4' -stroke '#8fc0ee' -draw 'line 4,10 14,10 line 18,22 28,22' t3.png
convert -size 32x32 xc:'#9a9a9a' -stroke '#777777' -draw 'line 0,15 31,15 line 15,0 15,15 line 8,15 8,31' t4.png
convert -size 32x32 xc:none -fill '#2f6b2a' -draw 'circle 16,13 16,2' -fill '#6b4a2a' -draw 'rectangle 14,24 18,31' t5.png
convert -size 32x32 xc:none -fill '#f2f2f2' -draw 'circle 10,10 10,6 circle 21,21 21,17' \
    -fill '#f0c419' -draw 'circle 10,10 10,9 circle 21,21 21,20' t6.png
convert -size 32x32 xc:'#c9a66b' -fill '#b8945a' -draw 'point 6,20 point 25,9' t7.png
convert -size 32x32 xc:'#8c5a3c' -stroke '#6e432b' -draw 'line 0,8 31,8 line 0,20 31,20' t8.png
convert \( t1.png t2.png t3.png t4.png +append \) \( t5.png t6.png t7.png t8.png +append \) -append tiles.png
cat > terrain.tsx <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.10" name="terrain" tilewidth="$T" tileheight="$T" tilecount="8" columns="4">
 <image source="tiles.png" width="$((4 * T))" height="$((2 * T))"/>
</tileset>
EOF
# Tiles: 1 grass, 2 sand, 3 water, 4 stone, 5 tree, 6 flowers, 7 path, 8 wall.
W=30 H=18
ground() {
    local x y row
    for ((y = 0; y < H; ++y)); do
        row=""
        for ((x = 0; x < W; ++x)); do
            local t=1
            if ((x < 4 + (y % 5 == 0))); then t=3; elif ((x < 6)); then t=2
            elif ((y == 9 || x == 17)); then t=7
            elif ((x >= 22 && x <= 27 && y >= 2 && y <= 6)); then t=4; fi
            row+="$t"
            ((x < W - 1 || y < H - 1)) && row+=","
        done
        echo "$row"
    done
}
things() {
    local x y row
    for ((y = 0; y < H; ++y)); do
        row=""
        for ((x = 0; x < W; ++x)); do
            local t=0
            if ((x >= 23 && x <= 26 && y >= 3 && y <= 5)); then t=8
            elif ((x > 6 && x != 17 && y != 9 && (x * 7 + y * 13) % 11 == 0)); then t=5
            elif ((x > 6 && x != 17 && y != 9 && (x * 5 + y * 3) % 17 == 0)); then t=6; fi
            row+="$t"
            ((x < W - 1 || y < H - 1)) && row+=","
        done
        echo "$row"
    done
}
cat > village.tmx <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<map version="1.10" orientation="orthogonal" renderorder="right-down" width="$W" height="$H" tilewidth="$T" tileheight="$T" infinite="0" nextlayerid="3" nextobjectid="1">
 <tileset firstgid="1" source="terrain.tsx"/>
 <layer id="1" name="Ground" width="$W" height="$H">
  <data encoding="csv">
$(ground)
</data>
 </layer>
 <layer id="2" name="Trees and houses" width="$W" height="$H">
  <data encoding="csv">
$(things)
</data>
 </layer>
</map>
EOF
convert -size 128x32 xc:none -fill '#f0c419' -stroke '#b58b00' \
    -draw 'ellipse 16,16 12,12 0,360' -draw 'ellipse 48,16 9,12 0,360' \
    -draw 'ellipse 80,16 3,12 0,360' -draw 'ellipse 112,16 9,12 0,360' coin.png
# The title's letters from Liberation Sans: ImageMagick's own default font
# needs Ghostscript's fonts, which need not be installed.
convert -size 256x96 gradient:'#1d3b5c'-'#3f7fc4' -font /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf \
    -fill white -pointsize 40 -gravity center \
    -annotate 0 'Skarden' title.png
printf 'Notes of the sample archive.\n' > notes.txt
cat > sample.xml <<EOF
<VUQ version="v1" totalblocks="6">
  <image name="title" source="$WORK/title.png" alphablending="none"/>
  <tile name="terrain" source="$WORK/tiles.png" alphablending="none" xoffset="$T" yoffset="$T"/>
  <sprite name="coin" source="$WORK/coin.png" alphablending="none" xoffset="32" yoffset="32">
    <animation id="0" type="2" status="0" frames="4" hotx="0" hoty="0" starframe="0" endframe="3">
      <frame id="0" ms="120"/><frame id="1" ms="120"/><frame id="2" ms="120"/><frame id="3" ms="120"/>
    </animation>
  </sprite>
  <file name="notes" storemethod="raw" source="$WORK/notes.txt"/>
  <guipanel name="hud" xposition="0" yposition="0" width="300" height="200" alphamod="255">
    <widget name="start" type="button" id="1" xposition="10" yposition="10" key="0" selectboxRGB="0" value="0" range="0"/>
  </guipanel>
</VUQ>
EOF

# --- the window: import, then the map through the Scenes tab's Import ---
cat > drive.sh <<'EOF'
#!/usr/bin/env bash
set -euo pipefail
cd "$WORK"
"$EDITOR" sample.xml -resolution:1400x1000 > editor.log 2>&1 &
pid=$!
win=""
for _ in $(seq 50); do
    win=$(xdotool search --pid "$pid" 2>/dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.2
done
[ -n "$win" ] || { echo "readme_shots: no editor window" >&2; kill "$pid"; exit 1; }
xdotool windowmove "$win" 0 0
sleep 2
step=0
at() {
    xdotool mousemove "$1" "$2" click 1
    sleep "${3:-0.6}"
    step=$((step + 1))
    [ -z "${READMESHOTS_KEEP:-}" ] || import -window root "$WORK/step-$step.png"
}
xdotool key Return; sleep 1            # the import's summary
at 1045 19                             # Scenes tab
at 28 297                              # Import
at 874 466 1                           # Import Scene
at 532 304 1                           # Load: the file dialog
at 740 641                             # its File name field
xdotool type --delay 20 "$WORK/village.tmx"; xdotool key Return; sleep 1.5
[ -z "${READMESHOTS_KEEP:-}" ] || import -window root "$WORK/step-dialog.png"
at 882 736 2                           # the New Scene dialog's OK
at 40 86                               # the map, second in the list
at 32 450 1.5                          # Render: the preview
xdotool mousemove 1390 990; sleep 0.5  # no tooltip in the picture
import -window "$win" "$WORK/scenes.png"
at 566 19                              # Sprites tab
at 40 69 1                             # the coin
for _ in 1 2 3 4 5 6; do at 59 328 0.2; done # zoom in
xdotool mousemove 1390 990; sleep 0.5
import -window "$win" "$WORK/sprites.png"
kill "$pid"
EOF
WORK="$WORK" EDITOR="$EDITOR" READMESHOTS_KEEP="${READMESHOTS_KEEP:-}" xvfb-run -a -s "-screen 0 1400x1000x24" bash drive.sh

# Half size keeps the pictures small and the window readable.
convert "$WORK/scenes.png" -resize 50% -strip "$OUT/scenes-tab.png"
convert "$WORK/sprites.png" -resize 50% -strip "$OUT/sprites-tab.png"
echo "readme_shots: wrote $OUT/scenes-tab.png and $OUT/sprites-tab.png"
