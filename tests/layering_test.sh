#!/bin/sh
# The folders of src/ in the order of the README's layout: a folder may
# include only from itself and the folders after it (torva/ is the public
# header), and the readers need nothing of the aligners. The library (api)
# takes the reader and the writers' blocks and spans from below it; the
# Python module sees the public header alone, besides its own files.
set -eu
src=$1/src
rest="cli api output input pair anchor align kernels scoring common"
status=0
for dir in $rest; do
    for used in $(grep -rhoE '#include "[a-z]+/' "$src/$dir" | sed 's/#include "//; s|/||' | sort -u); do
        case " $rest torva " in *" $used "*) ;; *) echo "src/$dir includes $used/"; status=1 ;; esac
    done
    rest=${rest#"$dir"}
done
if grep -rlE '#include "(pair|anchor|align|kernels|scoring)/' "$src/input"; then status=1; fi
if grep -rl '#include "input/' "$src/output"; then status=1; fi
for used in $(grep -rhoE '#include "[^"]+"' "$1/python" | sed 's/#include "//; s/"$//' | sort -u); do
    case $used in
        torva/*) ;;
        */*) echo "python/ includes $used"; status=1 ;;
        *) [ -f "$1/python/$used" ] || { echo "python/ includes $used, which is not its own"; status=1; } ;;
    esac
done
exit $status
