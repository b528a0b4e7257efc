#!/usr/bin/env bash
# Checks the shape of src/ and prints its include arrows between folders:
#   - every #include "folder/..." points down the layer order below (or stays in its folder);
#   - no file outside src/platform/ includes a platform header (SDL, X11, GTK, GLib, POSIX, Win32).
# Exits 1, naming each offending line, when either rule is broken.
set -euo pipefail
cd "$(dirname "$0")/.."

# Lowest first. A folder may include only folders before it in this list.
layers=(core platform gl media settings display overlay screenshot model scene countdown sound app)
rank() {
    local i
    for i in "${!layers[@]}"; do
        if [ "${layers[$i]}" = "$1" ]; then echo "$i"; return; fi
    done
    echo -1
}

status=0
arrows=0
upward_arrows=0
upward_lines=0
declare -A seen=() seen_upward=()
while IFS=: read -r file _ text; do
    from=${file#src/}
    from=${from%%/*}
    to=$(sed -E 's/^#include "([a-z_]+)\/.*/\1/' <<<"$text")
    [ "$from" = "$to" ] && continue
    if [ -z "${seen[$from>$to]:-}" ]; then
        seen[$from>$to]=1
        arrows=$((arrows + 1))
    fi
    from_rank=$(rank "$from")
    to_rank=$(rank "$to")
    if [ "$from_rank" -lt 0 ] || [ "$to_rank" -lt 0 ]; then
        echo "check-layout: $file: folder not in the layer list ($from -> $to)"
        status=1
    elif [ "$to_rank" -gt "$from_rank" ]; then
        echo "check-layout: $file: $from includes $to, which lies above it: $text"
        upward_lines=$((upward_lines + 1))
        if [ -z "${seen_upward[$from>$to]:-}" ]; then
            seen_upward[$from>$to]=1
            upward_arrows=$((upward_arrows + 1))
        fi
        status=1
    fi
done < <(grep -rnE '^#include "[a-z_]+/' src --include='*.h' --include='*.cpp')

# Platform headers, and POSIX calls that a Windows build lacks, stay behind the platform interface.
platform_headers='^#include <(SDL|SDL2/|X11/|gtk/|gdk/|glib|unistd\.h|fcntl\.h|dirent\.h|pwd\.h|signal\.h|sys/|windows\.h|winuser\.h|tlhelp32\.h|mmsystem\.h)'
posix_calls='\b(localtime_r|gmtime_r|getpid|getpwuid|readlink|fsync|usleep|nanosleep|gettimeofday)\('
while IFS= read -r line; do
    echo "check-layout: platform code outside src/platform: $line"
    status=1
done < <(grep -rnE "$platform_headers|$posix_calls" src --include='*.h' --include='*.cpp' | grep -v '^src/platform/' || true)

echo "check-layout: $arrows include arrows between folders of src/, $upward_arrows pointing up" \
     "($upward_lines include lines)"
exit "$status"
