#!/bin/bash
# Times one or more builds of lcp_bench on a shared machine: every round runs each binary once, pinned
# to one core, with its repetitions randomly interleaved, so that the binaries and the two solvers meet
# the same load. Prints, per binary and benchmark, the minimum and median CPU time over all repetitions,
# and the median over rounds of the ratio of the two solvers' minima within one run.
#
#   bench/lcp_compare.sh [-c CORE] [-r ROUNDS] LCP_BENCH...
set -euo pipefail

core=3
rounds=5
while getopts "c:r:" option; do
  case $option in
    c) core=$OPTARG ;;
    r) rounds=$OPTARG ;;
    *) echo "usage: $0 [-c CORE] [-r ROUNDS] LCP_BENCH..." >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -eq 0 ]; then
  echo "usage: $0 [-c CORE] [-r ROUNDS] LCP_BENCH..." >&2
  exit 2
fi

results=$(mktemp)
trap 'rm -f "$results"' EXIT
for round in $(seq "$rounds"); do
  for index in $(seq $#); do
    binary=${!index}
    # CSV rows: "name",iterations,real_time,cpu_time,...; the aggregate rows are left out.
    taskset -c "$core" "$binary" --benchmark_min_time=0.1 --benchmark_repetitions=5 \
      --benchmark_enable_random_interleaving=true --benchmark_format=csv 2>/dev/null |
      grep '^"BM_' | grep -v -E '_(mean|median|stddev|cv)"' |
      awk -F, -v round="$round" -v index_="$index" '{ gsub(/"/, "", $1); print index_, round, $1, $4 }' \
        >>"$results"
  done
done

for index in $(seq $#); do
  echo "${!index}"
  awk -v index_="$index" '
    $1 == index_ { times[$3] = times[$3] " " $4; key = $2 " " $3; if (!(key in low) || $4 < low[key]) low[key] = $4 }
    function median(list,    values, count, i, j, swap) {
      count = split(list, values, " ")
      for (i = 2; i <= count; ++i) for (j = i; j > 1 && values[j - 1] + 0 > values[j] + 0; --j) {
        swap = values[j]; values[j] = values[j - 1]; values[j - 1] = swap
      }
      return count % 2 ? values[(count + 1) / 2] : (values[count / 2] + values[count / 2 + 1]) / 2
    }
    function minimum(list,    values, count, i, m) {
      count = split(list, values, " "); m = values[1]
      for (i = 2; i <= count; ++i) if (values[i] + 0 < m + 0) m = values[i]
      return m
    }
    END {
      for (name in times) {
        line = sprintf("  %-28s min %10.1f ns  median %10.1f ns", name, minimum(times[name]), median(times[name]))
        if (name ~ /^BM_SolveLCP\//) {
          size = substr(name, length("BM_SolveLCP/") + 1); ratios = ""
          for (key in low) {
            split(key, parts, " ")
            if (parts[2] == name && ((parts[1] " BM_SiconosLexicoLemke/" size) in low))
              ratios = ratios " " low[key] / low[parts[1] " BM_SiconosLexicoLemke/" size]
          }
          if (ratios != "") line = line sprintf("  ours/Siconos %.2f", median(ratios))
        }
        print line
      }
    }' "$results" | sort
done
