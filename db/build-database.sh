#!/usr/bin/env bash
# build-database.sh ISQL OUTPUT SCRIPT...
# Creates a Firebird database (dialect 3, UTF8) at OUTPUT from the given SQL scripts, in order.
# The database is built beside OUTPUT under a temporary name and moved into place only when every
# script ran without error, so a failed build never leaves a half-made template behind.
set -euo pipefail
isql=$1; out=$2; shift 2
tmp="$out.building.fdb"
sql="$out.building.sql"
rm -f "$tmp" "$sql"
{
  echo "SET SQL DIALECT 3;"
  echo "SET NAMES UTF8;"
  echo "CREATE DATABASE '$tmp' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8;"
  for f in "$@"; do
    echo "-- $(basename "$f")"
    cat "$f"
    echo
  done
  echo "COMMIT;"
} > "$sql"
if ! log=$("$isql" -q -b -ch UTF8 -i "$sql" 2>&1); then
  echo "$log" >&2
  echo "build-database: isql failed on $sql" >&2
  rm -f "$tmp"
  exit 1
fi
if [ -n "$log" ] && grep -qiE 'error|failed|unsuccessful' <<<"$log"; then
  echo "$log" >&2
  rm -f "$tmp"
  exit 1
fi
rm -f "$sql"
mv -f "$tmp" "$out"
