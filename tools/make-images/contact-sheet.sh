#!/bin/sh
# Composes the image list and the icons into one enlarged sheet to look at.
# usage: contact-sheet.sh RESOURCES_DIR OUTPUT.png
set -e
res=$1
out=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for f in "$res"/images/*.png; do
  n=$(basename "$f" .png | sed "s/-disabled/ grey/")
  convert "$f" -filter point -resize 400% -background '#ececec' -alpha remove "$tmp/$n.png"
done
montage -label '%t' "$tmp"/[0-9]*.png -tile 8x -geometry +44+4 -pointsize 11 -background '#ececec' "$tmp/list.png"
n=0
for ctx in apps mimetypes; do
  for s in 16 24 32 48 64 128 256; do
    f=$(ls "$res"/icons/hicolor/${s}x${s}/$ctx/*.png)
    convert "$f" -background white -alpha remove "$tmp/i-$ctx-$(printf %03d $s).png"
    if [ "$s" -le 32 ]; then
      convert "$f" -filter point -resize 400% -background white -alpha remove "$tmp/s-$n.png"
      n=$((n + 1))
    fi
  done
  montage "$tmp"/i-$ctx-*.png -tile x1 -geometry '+8+8' -gravity south -background white "$tmp/$ctx.png"
done
montage "$tmp"/s-*.png -tile x1 -geometry '+8+8' -gravity south -background white "$tmp/small.png"
convert "$tmp/list.png" "$tmp/small.png" "$tmp/apps.png" "$tmp/mimetypes.png" -background white -gravity west -append +repage "$out"
