#!/usr/bin/env bash
# agree.sh CLI: for each producer, how many of its files pixscope-cli reads right, wrong
# or refuses, at the places colours.tsv records where Pillow and ImageMagick agree. A
# file counts as right when every such place is right. Run by hand, for the figures of
# a change: bench/agree.sh build/pixscope-cli
set -euo pipefail
cli=$(realpath "$1")
cd "$(dirname "$0")/../tests/data/producers"
awk -F'\t' 'NR > 1 && $4 == $5 && $4 != "-"' colours.tsv |
  while IFS=$'\t' read -r file x y colour _; do
    producer=$(awk -F'\t' -v f="$file" '$1 == f { print $2 }' made.tsv)
    if ! out=$("$cli" pixel "$file" "$x" "$y" 2>/dev/null); then
      echo "$producer $file refused"
    elif [ "$(echo "$out" | awk '{ print $1 "," $2 "," $3 }')" = "$colour" ]; then
      echo "$producer $file right"
    else
      echo "$producer $file wrong"
    fi
  done | sort -u |
  awk '{ key = $1 " " $2; if (!(key in state) || state[key] == "right") state[key] = $3 }
       END { for (k in state) { split(k, p, " "); n[p[1] " " state[k]]++ }
             for (c in n) print c, n[c] }' | sort
