#!/usr/bin/env bash
# The same job on both platforms: radlyn.exe on a Windows hostsim installation under Wine and the
# Linux build's radlyn on a Linux one give the same result file, event log and calls log once the
# platform's own parts are set aside (paths, block and window handles, times), and the same image:
# the same TIFF tags and pixels, which each platform's hostsim reads back alike. The patient and
# doctor carry Windows-1252 letters, so the code-page conversions are compared too. hostsim's own
# images (8-bit TIFF with an extension block, BMP) come out of both hostsims the same as well.
# Usage, inside on_display.sh: hostsim_same_as_linux_test.sh RADLYN_EXE HOSTSIM_EXE LINUX_BUILD
# Ends with 77 (skipped) when LINUX_BUILD holds no bin/radlyn and bin/hostsim.
set -uo pipefail
radlyn=$1 hostsim=$2 linux=$3
if [ ! -x "$linux/bin/radlyn" ] || [ ! -x "$linux/bin/hostsim" ]; then
  echo "SKIP: no Linux build in $linux"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-same-job.XXXXXX")
source "$(dirname "$0")/wine_test_lib.sh"
cleanup() {
  unregister_hostsim
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
same() {  # same WHAT FILE_A FILE_B
  diff -u "$2" "$3" >"$work/diff.txt" || fail "$1 differ: $(cat "$work/diff.txt")"
}

# One job in each platform's folder tree: Windows in $work/win, Linux in $work/linux.
write_job() {
  mkdir -p "$1/data"
  printf '%s\r\n' '[Logon]' 'ClientName=DentalOffice' '[Info]' 'Type=XI' 'Regio=36' \
    $'Doc=Dr Gr\xf6\xdf' '[Patient]' $'FirstName=Zo\xeb' $'LastName=M\xfcller-Pe\xf1a' 'ID=4711' \
    'Birthdate=19700305' '[Config]' "ImageDataPath=$2" 'fAssure8Bit=0' >"$1/data/RADLYN_in.ini"
}
small_images() { sed -i 's/^Width=1300$/Width=320/; s/^Height=1700$/Height=240/' "$1/hostsim.ini"; }

win=$work/win
wine "$hostsim" install "$(winpath "$win/morlund")" || fail "hostsim.exe install failed"
# No plug-in server, as for the Linux job below, whose run has no bus that offers one.
hide_newer_generation
small_images "$win/morlund"
write_job "$win" "$(winpath "$win/images")\\"
(cd "$work" && wine "$radlyn" "datapath=$(winpath "$win/data")" parentwnd=0x1234) ||
  fail "radlyn.exe did not end normally"

lin=$work/linux
mkdir -p "$lin/home" "$lin/run"
sandbox=(env -i "PATH=$PATH" "HOME=$lin/home" "XDG_DATA_HOME=$lin/home" "XDG_RUNTIME_DIR=$lin/run"
  "RADLYN_REGISTRY=$lin/registry.ini")
"${sandbox[@]}" "$linux/bin/hostsim" install "$lin/morlund" || fail "Linux hostsim install failed"
small_images "$lin/morlund"
write_job "$lin" "$lin/images/"
(cd "$work" && "${sandbox[@]}" "$linux/bin/radlyn" "datapath=$lin/data" parentwnd=0x1234) ||
  fail "the Linux radlyn did not end normally"

# The platforms' own parts: Windows paths (backslashes doubled in the calls log), the tree's
# folder, handles of blocks and windows (0 stays 0), times.
normalize() {  # normalize TREE FILE
  tr -d '\r' <"$2" | sed -e 's/Z:\\\\/\//g; s/\\\\/\//g; s/Z:\\/\//g; s/\\/\//g' \
    -e "s|$1|TREE|g" -e 's/0x00000000/ZERO/g; s/0x[0-9A-F]\{8\}/0xH/g; s/ZERO/0x00000000/g' \
    -e 's/[0-9]\{8\}_[0-9]\{6\}/STAMP/g; s/taken=[0-9T:-]*/taken=TIME/g' \
    -e 's/^[0-9]\{4\}-[0-9-]*T[0-9:]* //'
}
for file in data/RADLYN_out.ini morlund/morlund.log morlund/hostsim-calls.log; do
  normalize "$win" "$win/$file" >"$work/win.txt"
  normalize "$lin" "$lin/$file" >"$work/linux.txt"
  same "$file" "$work/win.txt" "$work/linux.txt"
done
# (The two results are the same: one succeeded job is enough.)
tr -d '\r' <"$lin/data/RADLYN_out.ini" | grep -qx 'ErrorNr=0' ||
  fail "the job failed: $(cat "$lin/data/RADLYN_out.ini")"
grep -qF 'name="M\x81ller-Pe\xA4a@Zo\x89@1970:03:05" id="4711" doctor="Dr Gr\x94\xE1"' \
  "$win/morlund/hostsim-calls.log" || fail "the image record lacks the names in the OEM code page"

# The images: the same tags (but the time) and the same pixels; each hostsim reads both alike.
win_image=$(ls "$win"/images/*.tif) lin_image=$(ls "$lin"/images/*.tif)
same_image() {  # same_image WHAT WINDOWS_FILE LINUX_FILE
  tiffdump "$2" | tail -n +2 | grep -v '^DateTime' >"$work/win.txt"
  tiffdump "$3" | tail -n +2 | grep -v '^DateTime' >"$work/linux.txt"
  same "$1 tags" "$work/win.txt" "$work/linux.txt"
  # The strips run from byte 8 to the directory, whose offset the header holds.
  directory=$(od -An -tu4 -j4 -N4 "$3" | tr -d ' ')
  cmp -s -n "$directory" "$2" "$3" || fail "$1 pixels differ"
  for file in "$2" "$3"; do
    "$linux/bin/hostsim" inspect "$file" | grep -v '^taken=' >"$work/linux.txt" ||
      fail "the Linux hostsim cannot read $file"
    wine "$hostsim" inspect "$(winpath "$file")" | tr -d '\r' | grep -v '^taken=' >"$work/win.txt" ||
      fail "hostsim.exe cannot read $file"
    same "$1 as the two hostsims read it" "$work/win.txt" "$work/linux.txt"
  done
}
same_image "the job's images" "$win_image" "$lin_image"

options=(--width 123 --height 77 --bits 8 --seed 4 --extension-ini '<FILTERCLASS>2</FILTERCLASS>')
wine "$hostsim" make-image "$(winpath "$work/w8.tif")" "${options[@]}" || fail "make-image 8 bits"
"$linux/bin/hostsim" make-image "$work/l8.tif" "${options[@]}" || fail "Linux make-image 8 bits"
same_image "8-bit images with an extension block" "$work/w8.tif" "$work/l8.tif"
wine "$hostsim" make-image "$(winpath "$work/w.bmp")" --width 61 --height 47 || fail "make-image bmp"
"$linux/bin/hostsim" make-image "$work/l.bmp" --width 61 --height 47 || fail "Linux make-image bmp"
cmp "$work/w.bmp" "$work/l.bmp" || fail "the bitmaps differ"
echo "PASS"
