#!/usr/bin/env bash
# The layer check: the code's dependencies run one way only,
#   tools, app/startup(_win32) -> wizard (Qt, win32) -> wizard/procedures -> app -> link -> image
# with res beside them (a leaf the pages and the procedures use).
# Fails when a file includes a header of a layer it may not use and, given a
# build directory, when a library needs a symbol defined only in a library
# it may not use (nm on the built static libraries).
# Usage: scripts/check-layers.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-}

# The layer a file (or a header path) belongs to; empty for the folders the
# check leaves alone (tests and benchmarks may reach every layer).
layer_of() {
    case $1 in
        image/*) echo image ;;
        link/*) echo link ;;
        res/*) echo res ;;
        app/startup/* | app/startup_win32/*) echo startup ;;
        app/*) echo app ;;
        wizard/procedures/*) echo procedures ;;
        wizard/*) echo wizard ;;
        tools/vanto-flash/*) echo vanto-flash ;;
        tools/vanto-devsim/*) echo vanto-devsim ;;
        fuzz/*) echo fuzz ;;
        *) echo "" ;;
    esac
}

# The layers each layer may use, itself included.
declare -A allowed=(
    [image]="image"
    [res]="res"
    [link]="link image"
    [app]="app link image"
    [procedures]="procedures app link image res"
    [wizard]="wizard procedures app link image res"
    [startup]="startup wizard procedures app link image res"
    [vanto-flash]="vanto-flash procedures app link image res"
    [vanto-devsim]="vanto-devsim"
    [fuzz]="fuzz image"
)

may_use() {  # may_use LAYER USED
    [[ " ${allowed[$1]} " == *" $2 "* ]]
}

failures=0
while IFS= read -r file; do
    from=$(layer_of "$file")
    [ -n "$from" ] || continue
    while IFS= read -r header; do
        to=$(layer_of "$header")
        if [ -n "$to" ] && ! may_use "$from" "$to"; then
            echo "layering: $file ($from) includes $header ($to)"
            failures=$((failures + 1))
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files -- '*.h' '*.cpp' 2>/dev/null || find . -name '*.h' -o -name '*.cpp')

# Symbols: no library may need a symbol that only libraries it may not use define.
if [ -n "$build" ]; then
    declare -A libs=()
    for name in image link res app procedures wizard startup; do
        lib=$(find "$build" -name "lib$name.a" -not -path '*/_deps/*' | head -n 1)
        [ -n "$lib" ] && libs[$name]=$lib
    done
    symbols=$(mktemp)
    trap 'rm -f "$symbols"' EXIT
    for name in "${!libs[@]}"; do
        nm -g --defined-only "${libs[$name]}" 2>/dev/null |
            awk -v lib="$name" 'NF == 3 { print $3, lib }'
    done | sort -u >"$symbols"
    for name in "${!libs[@]}"; do
        while read -r symbol; do
            owners=$(awk -v s="$symbol" '$1 == s { print $2 }' "$symbols")
            [ -n "$owners" ] || continue  # from the system or Qt
            ok=0
            for owner in $owners; do
                may_use "$name" "$owner" && ok=1
            done
            if [ $ok -eq 0 ]; then
                echo "layering: lib$name.a needs $symbol, defined only in: $owners"
                failures=$((failures + 1))
            fi
        done < <(nm -g --undefined-only "${libs[$name]}" 2>/dev/null | awk 'NF >= 2 { print $NF }' | sort -u)
    done
    echo "layering: checked the includes and ${#libs[@]} libraries"
fi

if [ $failures -ne 0 ]; then
    echo "layering: $failures violation(s)"
    exit 1
fi
echo "layering: every dependency runs downward"
