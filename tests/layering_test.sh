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
# Only the command line prints: below it, what goes wrong is a value it
# words (the data of "-" reach standard output through a stream it hands in).
if grep -rnE 'std::(cout|cerr|clog)\b|\b(printf|fprintf|puts|fputs|perror|putchar)[[:space:]]*\(|(^|[^/])\bstd(out|err)\b' \
        "$src" --include='*.cpp' --include='*.hpp' | grep -v "^$src/cli/"; then
    echo "only src/cli may print"
    status=1
fi
# Each writer makes one format on its own; what several show (tallies,
# labels, markup) lives in helpers, and the report takes the picture and
# the view as text from its caller.
writers="AlignmentWriter LocWriter ScoreWriter PafWriter MafWriter SvgWriter ViewWriter HtmlReport"
for writer in $writers; do
    for other in $writers; do
        [ "$other" = "$writer" ] && continue
        if grep -l "#include \"output/$other.hpp\"" "$src/output/$writer.hpp" "$src/output/$writer.cpp"; then
            echo "src/output/$writer includes the writer $other"
            status=1
        fi
    done
done
for used in $(grep -rhoE '#include "[^"]+"' "$1/python" | sed 's/#include "//; s/"$//' | sort -u); do
    case $used in
        torva/*) ;;
        */*) echo "python/ includes $used"; status=1 ;;
        *) [ -f "$1/python/$used" ] || { echo "python/ includes $used, which is not its own"; status=1; } ;;
    esac
done
exit $status
