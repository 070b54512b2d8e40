#!/usr/bin/env bash
# The information dialog of the real radlyn.exe on a desktop: "radlyn.exe help" shows the dialog
# titled "Tebro" with the version read from the program's own version resource, a second program
# (dialog_driver.exe) reads the texts back and clicks OK, and the program then ends with exit code
# 0. A screenshot of the dialog is kept.
# Usage, inside on_display.sh: about_dialog_test.sh RADLYN_EXE DRIVER_EXE VERSION SCREENSHOT.png
#   VERSION  the major.minor.third the dialog must show
set -uo pipefail
radlyn=$1 driver=$2 version=$3 screenshot=$4

work=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-about.XXXXXX")
radlyn_pid=
finish() {
  if [ -n "$radlyn_pid" ] && kill -0 "$radlyn_pid" 2>/dev/null; then
    kill "$radlyn_pid"
    wait "$radlyn_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap finish EXIT
fail() {
  echo "FAIL: $*"
  echo "--- radlyn.exe output:"
  cat "$work/radlyn.out" "$work/radlyn.err" 2>/dev/null
  exit 1
}

# No data folder and no job: the program's own files land in the scratch folder.
cd "$work"
wine "$radlyn" help >radlyn.out 2>radlyn.err &
radlyn_pid=$!

wine "$driver" read Tebro 60 | tr -d '\r' >shown.txt || fail "no information dialog: $(cat shown.txt)"
cat shown.txt
# The dialog's own X window (Wine draws its frame into it), else the whole screen, once the
# dialog has had a moment to finish painting.
sleep 0.5
window=$(xdotool search --onlyvisible --name '^Tebro$' 2>/dev/null | head -n1)
import -window "${window:-root}" "$screenshot" || echo "no screenshot taken"

for line in "title=Tebro" "control=1000 Static Version:" "control=1001 Static $version" \
  "control=1 Button OK" "control=-1 Static Refer to RADLYN reference for integration details"; do
  grep -qxF "$line" shown.txt || fail "the dialog lacks \"$line\""
done

wine "$driver" close Tebro 20 | tr -d '\r' || fail "the dialog did not end by its OK button"
for _ in $(seq 100); do
  kill -0 "$radlyn_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$radlyn_pid" 2>/dev/null && fail "radlyn.exe still runs after its dialog ended"
wait "$radlyn_pid"
status=$?
radlyn_pid=
[ "$status" -eq 0 ] || fail "radlyn.exe ended with exit code $status"
echo "PASS: information dialog shows version $version; screenshot $screenshot"
