#!/usr/bin/env bash
# Redraws Tidewisp's artwork: res/banner.bmp, res/splash.bmp and res/tidewisp.ico.
# KEEP=DIR also leaves PNG copies of every picture in DIR, for looking at them.
set -euo pipefail

"$(dirname "$0")/../../scripts/install-packages.sh" imagemagick fonts-lato

res="$(cd "$(dirname "$0")/.." && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

fonts=/usr/share/fonts/truetype/lato
name_font=$fonts/Lato-Bold.ttf
line_font=$fonts/Lato-Regular.ttf
version="Version 1.0"    # on the splash

# One palette for all three pictures, so that they look like one family.
navy='#0b3a57'
sea='#16708f'
aqua='#2a92b5'
foam='#cdebf2'

# Shapes are drawn S times larger and scaled down, for smooth edges; text is drawn at its
# final size, where the font's hinting keeps small letters crisp.
S=4

# wisp X0 X1 Y AMP LEN W TAPER: a sine wave about height Y as a filled outline, W thick
# at its round left end and thinning to W*(1-TAPER) at the right, like a brush stroke.
# The outline is built here because stroking a long polyline hits a mitre-join fault in
# ImageMagick 6.
wisp() {
  awk -v x0="$1" -v x1="$2" -v y="$3" -v a="$4" -v l="$5" -v w="$6" -v tp="$7" 'BEGIN {
    pi = atan2(0, -1); n = 128
    for (i = 0; i <= n; i++) {
      t = i / n; x = x0 + (x1 - x0) * t; ph = 2 * pi * (x - x0) / l
      d = a * 2 * pi / l * cos(ph); k = sqrt(1 + d * d)    # the slope keeps W normal to the curve
      h = w / 2 * (1 - tp * t ^ 1.6)
      ux[i] = x + h * d / k; uy[i] = y + a * sin(ph) - h / k
      lx[i] = x - h * d / k; ly[i] = y + a * sin(ph) + h / k
    }
    for (i = 0; i <= n; i++) printf "%s %.3f,%.3f ", (i ? "L" : "M"), ux[i], uy[i]
    for (i = n; i >= 0; i--) printf "L %.3f,%.3f ", lx[i], ly[i]
    printf "A %.3f,%.3f 0 0,1 %.3f,%.3f Z", w / 2, w / 2, ux[0], uy[0]
  }'
}

# tide X0 X1 Y AMP LEN PHASE BOTTOM: the water under a sine wave, down to BOTTOM.
tide() {
  awk -v x0="$1" -v x1="$2" -v y="$3" -v a="$4" -v l="$5" -v p="$6" -v b="$7" 'BEGIN {
    pi = atan2(0, -1); n = 160
    for (i = 0; i <= n; i++) {
      x = x0 + (x1 - x0) * i / n
      printf "%s %.3f,%.3f ", (i ? "L" : "M"), x, y + a * sin(2 * pi * x / l + p)
    }
    printf "L %.3f,%.3f L %.3f,%.3f Z", x1, b, x0, b
  }'
}

# at K X Y MVG...: the drawing MVG, scaled by K and moved to X,Y (final pixels), on the
# S-times canvas.
at() {
  local k=$1 x=$2 y=$3; shift 3
  echo "push graphic-context translate $(e "$x*$S"),$(e "$y*$S") scale $(e "$k*$S"),$(e "$k*$S") $* pop graphic-context"
}
e() { awk "BEGIN { print $1 }"; }

# The mark, designed on a 256-pixel square: two waves of the tide with a wisp of mist
# above them. Its box is x 37-220, y 53-203, centred on the square.
mark="fill '$foam' path '$(wisp 86 210 70 12 124 17 0.85)'
      fill white   path '$(wisp 52 216 117 21 148 30 0.75)'
      fill '$foam' path '$(wisp 52 216 167 21 148 30 0.75)'"

# mist A: white at opacity A. (A second fill-opacity in one drawing misbehaves in
# ImageMagick 6; a colour with its own alpha does not.)
mist() { echo "rgba(255,255,255,$1)"; }

# tile N MARGIN RADIUS: the icon's rounded square, as an S-times canvas to draw on.
tile() {
  local c=$(($1 * S)) lo=$(($2 * S)) hi=$((($1 - $2) * S - 1)) r=$(($3 * S))
  shift 3
  convert -size "${c}x${c}" gradient:"$aqua-$navy" \
    \( -size "${c}x${c}" xc:black -fill white -draw "roundrectangle $lo,$lo $hi,$hi $r,$r" \) \
    -alpha off -compose CopyOpacity -composite -compose Over -stroke none "$@"
}

# Below 48 pixels the wisp goes and the waves are drawn for the size, so that 16 and 32
# stay bold instead of being the big picture scaled down into mush.
tile 16 0 3 -draw "$(at 1 0 0 "fill white path '$(wisp 2 14 5.5 1.6 11 2.4 0.35)'
                                fill '$foam' path '$(wisp 2 14 10.5 1.6 11 2.4 0.35)'")" \
  -filter box -resize 16x16 +repage "PNG32:$tmp/icon-16.png"
tile 32 1 6 -draw "$(at 1 0 0 "fill white path '$(wisp 6 26 12.5 3 19 4.5 0.6)'
                               fill '$foam' path '$(wisp 6 26 20.5 3 19 4.5 0.6)'")" \
  -filter box -resize 32x32 +repage "PNG32:$tmp/icon-32.png"
tile 48 2 9 -draw "$(at 0.1875 0 0 "$mark")" -filter box -resize 48x48 +repage "PNG32:$tmp/icon-48.png"
tile 256 10 48 -draw "$(at 1 0 0 "$mark")" -filter box -resize 256x256 +repage "PNG32:$tmp/icon-256.png"
convert "$tmp"/icon-{16,32,48,256}.png "$res/tidewisp.ico"

# The banner: the mark and name on a deep band, darkest behind the name, over a low tide.
# Dark, so that it stands apart from a grey or a white dialog alike.
convert -size $((468 * S))x$((60 * S)) -define gradient:direction=east gradient:"$navy-$sea" \
  -stroke none -draw "$(at 1 0 0 "fill '$(mist 0.06)' path '$(tide 0 468 46 2.5 234 0 60)'
                                  fill '$(mist 0.07)' path '$(tide 0 468 50 2 156 1.8 60)'
                                  fill '$(mist 0.08)' path '$(tide 0 468 54 1.5 117 3.5 60)'")" \
  -draw "$(at 0.25 3 -4 "$mark")" \
  -filter box -resize 468x60 +repage \
  -fill white -font "$name_font" -pointsize 30 -annotate +68+39 Tidewisp \
  -fill "$foam" -font "$line_font" -pointsize 14 -gravity east -annotate +16+0 "Privacy cleaner" \
  "$tmp/banner.png"
# Dithering keeps the 256 colours from banding the long gradient; run-length coding is
# left off because LoadImage cannot make a DIB section from a compressed bitmap.
convert "$tmp/banner.png" -dither FloydSteinberg -colors 256 -type Palette -compress None BMP3:"$res/banner.bmp"

# The splash: the same band turned upright, the mark and name in the middle, and the tide
# coming in along the bottom.
convert -size $((303 * S))x$((220 * S)) gradient:"$navy-$sea" \
  -stroke none -draw "$(at 1 0 0 "fill '$(mist 0.07)' path '$(tide 0 303 176 4 303 0 220)'
                                  fill '$(mist 0.09)' path '$(tide 0 303 186 3.5 202 1.5 220)'
                                  fill '$(mist 0.11)' path '$(tide 0 303 196 3 151 3.2 220)'")" \
  -draw "$(at 0.42 98 -2 "$mark")" \
  -filter box -resize 303x220 +repage -gravity north \
  -fill white -font "$name_font" -pointsize 38 -annotate +0+86 Tidewisp \
  -fill "$foam" -font "$line_font" -pointsize 15 -kerning 1 -annotate +0+134 "Privacy cleaner" -kerning 0 \
  -fill "$(mist 0.75)" -pointsize 11 -gravity southeast -annotate +10+8 "$version" \
  "$tmp/splash.png"
convert "$tmp/splash.png" -alpha off -type TrueColor BMP3:"$res/splash.bmp"

if [ -n "${KEEP:-}" ]; then cp "$tmp"/*.png "$KEEP"/; fi
