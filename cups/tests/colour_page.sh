#!/usr/bin/env bash
# Writes the colour test page and the boxes of its patches:
#   colour_page.ps / colour_page.pdf (through gs -sDEVICE=pdfwrite), one A4
#   page (595 x 842 points): tint bars of C, M, Y and K at 1 to 100 %
#   (DeviceCMYK), a 20-step grey ramp (DeviceGray), gradients of each ink
#   and a hue sweep (DeviceRGB), and black Helvetica at 6 to 24 points, once
#   in 0 setgray and once in 0 0 0 setrgbcolor;
#   tints.txt, one line per patch, "ink percent x y w h", in points from the
#   page's lower left corner:
#     C M Y K      a flat tint of that ink at percent (the other inks 0)
#     grey         a flat DeviceGray patch, percent = 100 x (1 - grey level)
#     ramp-C ...   that ink from 0 at the left edge to percent at the right
#     hue-rgb      DeviceRGB red, yellow, green, cyan, blue, magenta, red
#                  from left to right at full saturation (percent 100)
#     text-grey    the block that holds the 0 setgray text (percent 100)
#     text-rgb     the block that holds the 0 0 0 setrgbcolor text
#   Nothing else is drawn inside any box; the row labels lie outside them.
#
# Usage: colour_page.sh OUTDIR
set -euo pipefail
out=$1
mkdir -p "$out"
ps=$out/colour_page.ps
tints=$out/tints.txt

tint_percents=(1 2 3 5 7 10 15 20 30 40 50 60 70 80 90 100)
left=40

{
  echo '%!PS-Adobe-3.0'
  echo '%%Pages: 1'
  echo '%%BoundingBox: 0 0 595 842'
  echo '%%EndComments'
  echo '%%Page: 1 1'
  echo '<< /PageSize [595 842] >> setpagedevice'
  echo '/label { 0 setgray /Helvetica findfont 9 scalefont setfont moveto show } def'
  echo '0 setgray /Helvetica-Bold findfont 14 scalefont setfont'
  echo "$left 800 moveto (inkband colour test page: tints, grey ramp, gradients, text) show"
} > "$ps"
{
  echo '# ink percent x y w h: the patches of colour_page.pdf, in points from the'
  echo '# lower left corner of its A4 page (595 x 842); see cups/tests/colour_page.sh'
} > "$tints"

# cmyk INK AMOUNT: the four operands of setcmykcolor, AMOUNT on INK alone.
cmyk() {
  case $1 in
    C) echo "$2 0 0 0" ;;
    M) echo "0 $2 0 0" ;;
    Y) echo "0 0 $2 0" ;;
    K) echo "0 0 0 $2" ;;
  esac
}

# Tint bars: one row per ink, 16 patches 30 x 36 at a 32-point pitch.
row=0
for ink in C M Y K; do
  y=$((740 - row * 44))
  echo "($ink) 24 $((y + 14)) label" >> "$ps"
  for i in "${!tint_percents[@]}"; do
    p=${tint_percents[$i]}
    x=$((left + i * 32))
    echo "$(cmyk "$ink" "$p 100 div") setcmykcolor $x $y 30 36 rectfill" >> "$ps"
    echo "$ink $p $x $y 30 36" >> "$tints"
  done
  row=$((row + 1))
done

# Grey ramp: 20 steps of 5 % coverage, 24 x 36 at a 26-point pitch.
echo "(grey) 12 570 label" >> "$ps"
for i in $(seq 0 19); do
  p=$(((i + 1) * 5))
  x=$((left + i * 26))
  echo "1 $p 100 div sub setgray $x 556 24 36 rectfill" >> "$ps"
  echo "grey $p $x 556 24 36" >> "$tints"
done

# Gradients, 512 x 24, axial shadings from the left edge to the right.
gradient() {  # NAME Y COLOURSPACE FUNCTION
  local name=$1 y=$2 space=$3 function=$4
  cat >> "$ps" <<PS
gsave $left $y 512 24 rectclip
<< /ShadingType 2 /ColorSpace /$space /Coords [$left 0 $((left + 512)) 0]
   /Function $function /Extend [false false] >> shfill
grestore
PS
  echo "$name 100 $left $y 512 24" >> "$tints"
}
ramp() { echo "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [$1] /N 1 >>"; }
y=516
for ink in C M Y K; do
  echo "($ink) 24 $((y + 8)) label" >> "$ps"
  gradient "ramp-$ink" "$y" DeviceCMYK "$(ramp "$(cmyk "$ink" 1)")"
  y=$((y - 28))
done
hue_stops=("1 0 0" "1 1 0" "0 1 0" "0 1 1" "0 0 1" "1 0 1" "1 0 0")
hue="<< /FunctionType 3 /Domain [0 1] /Bounds [1 6 div 2 6 div 3 6 div 4 6 div 5 6 div]"
hue+=" /Encode [0 1 0 1 0 1 0 1 0 1 0 1] /Functions ["
for i in 0 1 2 3 4 5; do
  hue+=" << /FunctionType 2 /Domain [0 1] /C0 [${hue_stops[$i]}] /C1 [${hue_stops[$((i + 1))]}] /N 1 >>"
done
hue+=" ] >>"
echo "(hue) 14 $((y + 8)) label" >> "$ps"
gradient hue-rgb "$y" DeviceRGB "$hue"

# Text: Helvetica at six sizes in a 515 x 112 block, baselines 1.25 sizes
# apart, the first a size below the block's top.
text_block() {  # NAME TOP COLOUR-OPERATOR LABEL
  local name=$1 top=$2 colour=$3 label=$4 base=$2 size
  for size in 6 8 10 12 18 24; do
    base=$((base - size * 5 / 4))
    echo "$colour /Helvetica findfont $size scalefont setfont" \
      "$left $base moveto ($size pt $label: Hamburgefonstiv 0123) show" >> "$ps"
  done
  echo "$name 100 $left $((top - 112)) 515 112" >> "$tints"
}
text_block text-grey 380 "0 setgray" grey
text_block text-rgb 240 "0 0 0 setrgbcolor" rgb

echo 'showpage' >> "$ps"
echo '%%EOF' >> "$ps"
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile="$out/colour_page.pdf" "$ps"
