#!/usr/bin/env bash
# Every string id in res/resource.h has its text in res/Tessarin.rc's string tables, and no two
# string ids share a number: a merge that drops a table, or two branches taking the same number,
# would otherwise compile and show an empty message at run time.
set -euo pipefail
res=$(cd "$(dirname "$0")/../../res" && pwd)
fail=0
while read -r name; do
    grep -Eq "^[[:space:]]*$name[[:space:]]+\"" "$res/Tessarin.rc" || { echo "no text for $name" >&2; fail=1; }
done < <(awk '$1 == "#define" && $2 ~ /^IDS_/ { print $2 }' "$res/resource.h")
dups=$(awk '$1 == "#define" && $2 ~ /^IDS_/ && $3 ~ /^[0-9]+$/ { print $3 }' "$res/resource.h" | sort | uniq -d)
[ -z "$dups" ] || { echo "string numbers defined twice: $dups" >&2; fail=1; }
exit $fail
