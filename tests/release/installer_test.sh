#!/usr/bin/env bash
# The installer as a user meets it, in a fresh Wine prefix: a silent install,
# the program started from its Start-menu entry, Setup refusing to run over
# it, and a silent uninstall that keeps the backups and settings.
#   installer_test.sh SETUP.exe VERSION
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
setup="$1" version="$2"

if ! ia32_capable; then
    echo "this kernel runs no 32-bit programs, so the 32-bit installer cannot run: skipped"
    exit 77
fi

failures=0
check() {  # check DESCRIPTION COMMAND...
    local what="$1"; shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

work="$(mktemp -d "${TMPDIR:-/tmp}/quellar-setup-test.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEARCH=win32
cleanup() { wineserver -k 2>/dev/null; rm -rf "$work"; }
# Waits for every process of the prefix to end, at most a minute: on a busy
# machine Wine's own background processes have been seen to outlive the
# program's by far, and a wait without an end would only hide the checks.
settle() { timeout 60 wineserver -w 2>/dev/null || { wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null; }; }
trap cleanup EXIT

DISPLAY= wine wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# Wine's desktop process, started without a display above, must end before
# anything wants a window.
settle

drive="$WINEPREFIX/drive_c"
dir="$drive/Program Files/Quellar"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quellar'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKLM\SOFTWARE\BRD\Quellar\Settings\MainSettings'

reg_has() {  # reg_has KEY [VALUE [TEXT]]: the key (or value) exists (and shows TEXT)
    local out
    if [ -n "${2:-}" ]; then out="$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r')" || return 1
    else out="$(wine reg query "$1" 2>/dev/null | tr -d '\r')" || return 1; fi
    [ -z "${3:-}" ] || grep -qF -- "$3" <<<"$out"
}
menu() { find "$drive" -path "*Start Menu/Programs/Quellar" -type d 2>/dev/null | head -n 1; }
quellar_window() {  # the id of a top-level X window of quellar.exe titled "Quellar", if any
    local id
    for id in $(timeout 5 xwininfo -root -children 2>/dev/null | awk '/"Quellar"/ {print $1}'); do
        if timeout 5 xprop -id "$id" WM_CLASS 2>/dev/null | grep -qi 'quellar.exe'; then echo "$id"; return 0; fi
    done
    return 1
}
wait_for() {  # wait_for TRIES COMMAND...: every half second until it succeeds
    local tries="$1" i; shift
    for ((i = 0; i < tries; i++)); do "$@" >/dev/null && return 0; sleep 0.5; done
    return 1
}
absent() { ! "$@"; }

wine "$setup" /S >/dev/null 2>&1
check "silent install ends with 0" test $? -eq 0
for f in quellar.exe RQLRMask.skn QLRHelp.chm Ping.wav low-memory.wav Uninstall.exe; do
    check "installed $f" test -s "$dir/$f"
done
menu_dir="$(menu)"
for f in "Quellar.lnk" "Quellar Help.lnk" "Uninstall.lnk"; do
    check "Start menu holds $f" test -s "$menu_dir/$f"
done
check "Add/Remove Programs entry with the version" reg_has "$uninstall_key" DisplayVersion "$version"
check "... the publisher" reg_has "$uninstall_key" Publisher BRD
check "... the size" reg_has "$uninstall_key" EstimatedSize
check "installer and program carry one version" python3 - "$setup" "$dir/quellar.exe" "$version" <<'PY'
import sys
text = sys.argv[3].encode("utf-16-le")
sys.exit(0 if all(text in open(p, "rb").read() for p in sys.argv[1:3]) else 1)
PY

# Started the way the Start menu starts it: through the shortcut.
wine start "$(winepath -w "$menu_dir/Quellar.lnk")" >/dev/null 2>&1
check "the Start-menu entry starts the installed program" wait_for 60 quellar_window

wine "$setup" /S >/dev/null 2>&1
check "Setup refuses to run over the running program (exit 2)" test $? -eq 2
wineserver -k 2>/dev/null
settle

# What a user's Quellar leaves behind: a backup, its settings, the Run entry.
mkdir -p "$dir/Backups"
printf '#2026-01-02#\r\n#03:04:05#\r\n7\r\n' > "$dir/Backups/001.BCK"
wine reg add "$run_key" /v QuellarRun /t REG_SZ /d '"C:\Program Files\Quellar\quellar.exe"' /f >/dev/null 2>&1
wine reg add "$settings_key" /v chkRunMainProgram /t REG_SZ /d 1 /f >/dev/null 2>&1

# The uninstaller runs from a copy of itself and returns at once: wait for
# every process of the prefix instead.
wine "$dir/Uninstall.exe" /S >/dev/null 2>&1
settle
for f in quellar.exe RQLRMask.skn QLRHelp.chm Ping.wav low-memory.wav Uninstall.exe; do
    check "uninstall removed $f" test ! -e "$dir/$f"
done
check "uninstall removed the Start-menu folder" test -z "$(menu)"
check "uninstall removed the Add/Remove Programs entry" absent reg_has "$uninstall_key"
check "uninstall removed QuellarRun" absent reg_has "$run_key" QuellarRun
check "uninstall kept the backups" test -s "$dir/Backups/001.BCK"
check "uninstall kept the settings" reg_has "$settings_key" chkRunMainProgram

echo "$failures failed"
[ "$failures" -eq 0 ]
