#!/usr/bin/env bash
# Writes, into OUTDIR, the documents CUPS's conformance files ipp-1.1.test,
# ipp-2.0.test and ipp-everywhere.test name: document-a4.pdf and
# document-letter.pdf (three pages), onepage-a4.pdf and onepage-letter.pdf,
# document-a4.ps and document-letter.ps, color.jpg and gray.jpg, and under
# pwg-raster-samples-RESdpi/TYPE/ the PWG raster of each (the JPEG pages on
# 4 x 6 in media), all rendered by Ghostscript, for the raster types and
# resolutions the printer application offers (sgray-8 and srgb-8 at 300
# and 600 dpi).  ipptool 2.4 refuses a test file that names a file which
# does not exist, even in a test it skips, so the samples of the other
# types and resolutions, whose tests are skipped, are written empty.
#
# Usage: conformance_documents.sh OUTDIR
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"

page_ps() {  # WIDTH HEIGHT PAGES: a page of tint bars and text, then blank-ish pages
  cat << PS
%!PS-Adobe-3.0
%%Pages: $3
%%EndComments
PS
  for p in $(seq "$3"); do
    cat << PS
%%Page: $p $p
<< /PageSize [$1 $2] >> setpagedevice
/Helvetica findfont 20 scalefont setfont 0 setgray 50 $2 80 sub moveto (page $p) show
0 1 3 { /c exch def 0 1 15 { /i exch def
  [0 0 0 0] dup c i 15 div put aload pop setcmykcolor
  50 i 25 mul add $2 200 sub c 40 mul sub 25 30 rectfill } for } for
0.2 0.5 0.9 setrgbcolor 50 100 $1 100 sub 80 rectfill
showpage
PS
  done
  echo '%%EOF'
}

pdf() {  # NAME WIDTH HEIGHT PAGES: NAME.ps and NAME.pdf
  page_ps "$2" "$3" "$4" > "$1.ps"
  gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile="$1.pdf" "$1.ps"
}
pdf document-a4 595 842 3
pdf document-letter 612 792 3
pdf onepage-a4 595 842 1
pdf onepage-letter 612 792 1
# 4 x 6 in pictures, the JPEGs at 100 dpi.
pdf photo 288 432 1
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=jpeg -r100 -sOutputFile=color.jpg photo.pdf
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=jpeggray -r100 -sOutputFile=gray.jpg photo.pdf

for res in 150 180 300 360 600 720; do
  for type in black-1 cmyk-8 sgray-8 srgb-8 srgb-16; do
    dir=pwg-raster-samples-${res}dpi/$type
    mkdir -p "$dir"
    space=
    case $res/$type in
      300/sgray-8 | 600/sgray-8) space=18 ;;
      300/srgb-8 | 600/srgb-8) space=19 ;;
    esac
    for doc in document-a4 document-letter onepage-a4 onepage-letter color.jpg-4x6 gray.jpg-4x6; do
      file=$dir/$doc-$type-${res}dpi.pwg
      if [ -z "$space" ]; then
        : > "$file"
        continue
      fi
      src=$doc.pdf
      case $doc in *jpg-4x6) src=photo.pdf ;; esac
      gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pwgraster -dcupsColorSpace=$space \
        -dcupsBitsPerColor=8 -r"$res" -sOutputFile="$file" "$src" 2> /dev/null
    done
  done
done
rm photo.pdf photo.ps onepage-a4.ps onepage-letter.ps
