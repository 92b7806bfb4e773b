#!/bin/sh
# The folders of src/ in the order of the README's layout: a folder may
# include only from itself and the folders after it, so the engine never
# reaches up into the readers, writers or command line.
set -eu
src=$1/src
order="cli api io pair anchor align kernels scoring common"
status=0
rest=$order
for dir in $order; do
    for used in $(grep -rhoE '#include "[a-z]+/' "$src/$dir" | sed 's/#include "//; s|/||' | sort -u); do
        [ "$used" = torva ] && continue  # the public header, include/torva
        case " $rest " in
            *" $used "*) ;;
            *) echo "src/$dir includes $used/, which is listed before it"; status=1 ;;
        esac
    done
    rest=${rest#"$dir"}
    rest=${rest# }
done
# The reader needs no aligner.
if grep -lE '#include "(align|anchor|pair)/' "$src"/io/FastaReader.* "$src"/io/InputStream.*; then
    echo "the reader includes an aligner"
    status=1
fi
exit $status
