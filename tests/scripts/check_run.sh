#!/bin/sh
# check_run.sh BUILD_DIR RUN_DIR
# scripts/run started twice, headless, as a user starts it, on the programs of BUILD_DIR (nothing is
# built) with RUN_DIR as its run folder: each run writes the picture of Korvane's window and prints no
# error, the second lays nothing anew, and in the run's prefix both media components are registered,
# the archive type opens the installed Korvane, and the CD/DVD component offers the run's disc folder.
# Runs inside scripts/wine32, where `wine` is 32-bit Wine.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
bin=$1 run=$2
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# scripts/run makes its own prefix and display, and ends its wineserver and Xvfb.
rm -rf "$run"
start_run() { # $1 log
    env -u DISPLAY -u WINEPREFIX -u BRISVALE_DISC_FOLDERS BRISVALE_RUN="$run" BRISVALE_RUN_BUILT="$bin" \
        "$ROOT/scripts/run" >"$1" 2>&1 </dev/null || { cat "$1"; echo "FAIL: scripts/run failed"; exit 1; }
    cat "$1"
    ! grep -n -i error "$1" || fail "scripts/run printed an error"
    [ "$(head -c 8 "$run/korvane.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        fail "no PNG picture in $run/korvane.png"
}
start_run "$run.first.log"
installed="$run/wineprefix-i686/drive_c/Program Files/Brisvale"
for program in app/korvane.exe crashreporter/pellisk.exe components/mediacopiers.dll; do
    cmp -s "$bin/$program" "$installed/${program#*/}" || fail "${program#*/} is not installed beside Korvane"
done
ls -l --time-style=+%s.%N "$installed" >"$run.installed"
start_run "$run.second.log"
ls -l --time-style=+%s.%N "$installed" | cmp -s - "$run.installed" || fail "the second run laid the programs anew"

export WINEPREFIX="$run/wineprefix-i686" WINEARCH=win32 WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true' EXIT
# The default value of a key under HKEY_CLASSES_ROOT.
default_value() {
    wine reg query "HKEY_CLASSES_ROOT\\$1" /ve </dev/null 2>&1 | tr -d '\r' |
        sed -n 's/^ *(Default) *REG_SZ *//p'
}
expect() { # $1 what, $2 expected, $3 actual
    [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}
dll='C:\Program Files\Brisvale\mediacopiers.dll'
expect "FtpUploadComponent's server" "$dll" "$(default_value 'CLSID\{E60CC2AE-D571-490B-A677-97B560A69551}\InprocServer32')"
expect "CdBurnerComponent's server" "$dll" "$(default_value 'CLSID\{9CAF1198-766A-4AC2-9FAD-2F03C13C6407}\InprocServer32')"
expect "the archive type" "Brisvale Archive" "$(default_value '.bvk2')"
expect "the archive type's command" '"C:\Program Files\Brisvale\korvane.exe" "%1"' \
    "$(default_value 'Brisvale Archive\shell\Open\command')"
expect "the CD/DVD writers" "Backup disc" "$(wine "$bin/tests/components/cd_writers.exe" </dev/null 2>&1 | tr -d '\r')"
exit $failed
