#!/usr/bin/env bash
# The client kit's sample client of one language (C# or Object Pascal) against the Linux build of
# Radlyn on a hostsim installation: one table of cases for both languages. The client is compiled
# here, once. Exit code 77 (skipped) when the language's compiler is missing.
# Usage: client_kit_test.sh csharp|pascal SOURCE_DIR RADLYN HOSTSIM
set -uo pipefail
language=$1 source=$2 radlyn=$3 hostsim=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-client-kit.XXXXXX")
trap 'rm -rf "$work"' EXIT
case_name=build
fail() {
  echo "FAIL ($language, $case_name): $*"
  cat "$work/out" 2>/dev/null
  exit 1
}
skip() {
  echo "SKIP: $1 missing (scripts/install-deps.sh installs it)"
  exit 77
}

case $language in
  csharp)
    command -v mcs >/dev/null && command -v mono >/dev/null || skip "mcs or mono (mono-mcs, mono-runtime)"
    mcs -langversion:7.2 -warnaserror -out:"$work/SampleClient.exe" \
      "$source/clients/csharp/RadlynClient.cs" "$source/clients/csharp/SampleClient.cs" >"$work/out" 2>&1 ||
      fail "mcs"
    mcs -langversion:7.2 -warnaserror -out:"$work/KitCheck.exe" \
      "$source/clients/csharp/RadlynClient.cs" "$source/tests/clients/KitCheck.cs" >"$work/out" 2>&1 ||
      fail "mcs"
    client=(mono "$work/SampleClient.exe")
    check=(mono "$work/KitCheck.exe")
    ;;
  pascal)
    command -v fpc >/dev/null || skip "fpc"
    mkdir "$work/units"
    fpc -Mdelphi -vw -Sew -FE"$work" -FU"$work/units" "$source/clients/pascal/SampleClient.dpr" \
      >"$work/out" 2>&1 || fail "fpc"
    fpc -Mdelphi -vw -Sew -FE"$work" -FU"$work/units" -Fu"$source/clients/pascal" \
      "$source/tests/clients/KitCheck.dpr" >"$work/out" 2>&1 || fail "fpc"
    client=("$work/SampleClient")
    check=("$work/KitCheck")
    ;;
  *) fail "unknown language $language" ;;
esac

export RADLYN_REGISTRY=$work/registry.ini XDG_RUNTIME_DIR=$work/run HOME=$work LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS RADLYN_ANSI_CODE_PAGE
mkdir -p "$work/run"

# The units alone: the table's answers.
case_name=kit_cases.txt
grep -v '^#' "$source/tests/clients/kit_cases.txt" >"$work/cases"
"${check[@]}" "$work" <"$work/cases" >"$work/answers" 2>&1 || fail "$(cat "$work/answers")"
paste -d'|' "$work/cases" "$work/answers" | awk -F'|' '$3 != $4 { print "line " NR ": " $1 "|" $2 ": " $4 ", not " $3; bad = 1 }
  END { exit bad }' || fail "wrong answers"
"$hostsim" install "$work/morlund" >"$work/out" 2>&1 || fail "hostsim install"
calls=$work/morlund/hostsim-calls.log
lock=$work/run/{C2772E85-0A11-4be6-A134-2B2421B164B9}.lock
name32="Müller-Lüdenscheidt-Großkönigsee"  # 32 characters in Windows-1252, 36 bytes of UTF-8

# Each case: its name, the last name given to the client ("" for Müller), the exit code, and a
# line of the client's output (an extended regular expression). prepare_<name> and check_<name>
# run before and after the client where they exist.
cases=(
  "umlauts||0|Image of Jürgen Müller \(4711\), tooth 36 XI: $work/archive/[0-9]{8}_[0-9]{6}\.tif"
  "image_left|$name32|1|Advice \(FixSetup\): Images lie in the output folder: move them into the archive, then try again\."
  "busy||2|Radlyn ran no job: no result file\. Is another Radlyn still working\?"
  "name_too_long|${name32}s|3|client: Job field LastName: '${name32}s' is 33 characters long, more than 32"
  "result_kept|$name32|3|client: The old result file '.*' cannot be removed, so Radlyn was not started: another Radlyn may still be running for this data folder, or the data folder is read-only or the user lacks the rights to it\."
)

# The names reach Morlund in its OEM code page (850: ü is 81) and come back unchanged; the job file
# is Windows-1252 with CR LF; the image left the output folder.
check_umlauts() {
  grep -qF 'name="M\x81ller@J\x81rgen@1970:03:05"' "$calls" || fail "the names did not reach Morlund"
  grep -qx $'LastName=M\xfcller\r' "$data/RADLYN_in.ini" || fail "the job file is not Windows-1252"
  [ -z "$(ls "$work/images")" ] || fail "the image is still in the output folder"
}
prepare_image_left() { touch "$work/images/left.tif"; }
check_image_left() {
  grep -qx "Radlyn reported error 20 (System configuration error)" "$work/out" || fail "not error 20"
  [ -e "$work/images/left.tif" ] || fail "the image left in the output folder is gone"
  rm "$work/images/left.tif"
}
# Another Radlyn holds the single-instance lock; the stale result of an earlier job must be gone.
prepare_busy() {
  stale_result
  exec 9>"$lock"
  flock -n 9 || fail "the lock cannot be held"
}
check_busy() {
  flock -u 9
  exec 9>&-
  [ ! -e "$data/RADLYN_out.ini" ] || fail "the stale result file is still there"
}
# Refused before anything is written: no job file, the old result kept, Radlyn not started.
prepare_name_too_long() { stale_result; }
check_name_too_long() {
  [ ! -e "$data/RADLYN_in.ini" ] || fail "a job file was written"
  [ -e "$data/RADLYN_out.ini" ] || fail "the old result file was deleted"
  [ "$(wc -l <"$calls")" = "$calls_before" ] || fail "Radlyn ran"
}
prepare_result_kept() { mkdir -p "$data/RADLYN_out.ini/kept"; }
check_result_kept() {
  [ ! -e "$data/RADLYN_in.ini" ] || fail "a job file was written"
  [ "$(wc -l <"$calls")" = "$calls_before" ] || fail "Radlyn ran"
}
stale_result() {
  printf '[Info]\r\nErrorNr=0\r\nErrorMsg=No error\r\n[Config]\r\nImageDataPathFile=old.tif\r\n' \
    >"$data/RADLYN_out.ini"
}

mkdir -p "$work/images"
for row in "${cases[@]}"; do
  IFS='|' read -r case_name last_name expected_exit expected_line <<<"$row"
  data=$work/data-$case_name
  mkdir -p "$data"
  if declare -F "prepare_$case_name" >/dev/null; then "prepare_$case_name"; fi
  calls_before=$(wc -l <"$calls")
  arguments=("$radlyn" "$data" "$work/images" "$work/archive")
  [ -n "$last_name" ] && arguments+=("$last_name")
  timeout 120 "${client[@]}" "${arguments[@]}" >"$work/out" 2>&1
  code=$?
  [ "$code" = "$expected_exit" ] || fail "exit code $code, not $expected_exit"
  grep -qxE "$expected_line" "$work/out" || fail "no line '$expected_line'"
  if declare -F "check_$case_name" >/dev/null; then "check_$case_name"; fi
  echo "--- $case_name"
  cat "$work/out"
done
echo "PASS"
