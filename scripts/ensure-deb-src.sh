#!/usr/bin/env bash
# Makes `apt-get source` work: adds a deb-src twin of every deb822 "Types: deb"
# stanza (same URIs, suites, components and key) and refreshes the lists once.
# Root, or sudo.
set -euo pipefail
list=/etc/apt/sources.list.d/winsdk-src.sources
[ -e "$list" ] && exit 0
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo -n)
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
for f in /etc/apt/sources.list.d/*.sources; do
  grep -q '^Types:.*deb-src' "$f" && continue
  sed 's/^Types: deb$/Types: deb-src/' "$f"; echo
done >"$tmp"
"${sudo_cmd[@]}" install -m 644 "$tmp" "$list"
"${sudo_cmd[@]}" apt-get update -q >/dev/null
