# Shared by the figure scripts that measure programs from outside under Xvfb: the private X
# server of xvfb_session.sh and the small sums over runs. Sourced with $work set to the
# script's scratch folder.

source "$(dirname "${BASH_SOURCE[0]}")/xvfb_session.sh"

value() { # file key
  sed -n "s/^$2=//p" "$1"
}

median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
