#!/usr/bin/env bash
# The Windows check: builds QuorvScratches.dlt and its test host with MinGW-w64, checks the
# module's exports and imports, and runs the test host under Wine in a fresh prefix on a
# private Xvfb display. With --screenshots it also renders both rollouts into docs/.
#   tests/windows/run.sh [--screenshots]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
screenshots=0
[[ ${1:-} == --screenshots ]] && screenshots=1

packages=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine64 fonts-wine xvfb)
((screenshots)) && packages+=(imagemagick x11-apps)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake --preset windows >/dev/null
cmake --build --preset windows
plugins=$root/build/windows/plugins
module=$plugins/QuorvScratches.dlt
host=$plugins/quorv_test_host.exe

# Exports: exactly the six plug-in functions, unmangled. Imports: system DLLs only.
objdump=x86_64-w64-mingw32-objdump
exports=$($objdump -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          awk '/\]/ && !/Table/ {print $NF}' | sort | tr '\n' ' ')
expected="LibClassDesc LibDescription LibInitialize LibNumberClasses LibShutdown LibVersion "
if [[ $exports != "$expected" ]]; then
    echo "QuorvScratches.dlt exports '$exports', expected '$expected'" >&2
    exit 1
fi
for binary in "$module" "$host"; do
    imports=$($objdump -p "$binary" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
    for dll in $imports; do
        case $dll in
            kernel32.dll | user32.dll | gdi32.dll | shell32.dll | msvcrt.dll | advapi32.dll) ;;
            *) echo "$(basename "$binary") imports $dll, not a system DLL" >&2; exit 1 ;;
        esac
    done
    echo "$(basename "$binary") imports:" $imports
done
echo "QuorvScratches.dlt exports: $exports"

# The Linux build's answers for the samples of the eval probe.
tool=$root/build/release/tools/quorv-scratches
if [[ ! -x $tool ]]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target quorv-scratches QuorvScratches
fi
work=$(mktemp -d)
xvfb_pid=
cleanup() {
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
reference=$work/eval-reference.txt
args=
inputs=()
flush() {
    if ((${#inputs[@]})); then
        echo "args: $args"
        # shellcheck disable=SC2086
        mapfile -t outputs < <(printf '%s\n' "${inputs[@]}" | "$tool" eval -q $args)
        for i in "${!inputs[@]}"; do echo "${inputs[$i]} => ${outputs[$i]}"; done
    fi
    inputs=()
}
{
    while IFS= read -r line; do
        case $line in
            '#'*) ;;
            args:*) flush; args=${line#args:} ;;
            *=\>*) inputs+=("${line%% =>*}") ;;
        esac
    done <"$root/tests/data/eval-probe.txt"
    flush
} >"$reference"

# A fresh prefix with the fonts Wine's dialogs need, no crash dialog, and a display.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 10 display <&"$fd" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display
wineboot -i >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w

status=0
wine "$host" --eval "$(winepath -w "$reference")" || status=$?
if ((status)); then
    echo "the Windows test host failed (exit status $status)" >&2
    exit "$status"
fi

if ((screenshots)); then
    for kind in new options; do
        wine "$host" --screenshot "$kind" "$(winepath -w "$work/rollouts-$kind.bmp")"
        convert "$work/rollouts-$kind.bmp" "$root/docs/windows-rollouts-$kind.png"
        echo "wrote docs/windows-rollouts-$kind.png"
    done
fi
