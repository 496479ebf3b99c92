#!/usr/bin/env bash
# Makes a folder of simulated drives for trying Korvalith WIN without hardware:
#   drive 1  a 64 MiB removable card with a FAT filesystem holding a few files
#   drive 2  an empty removable card of the same size and geometry
#   drive 3  an 8 GiB fixed disk (sparse), above the fixed-drive size limit
# Usage: scripts/demo-drives.sh DIR     (then KORVALITH_SIMULATED_DRIVES=DIR)
# Needs mkfs.vfat (dosfstools) and mcopy (mtools); no root.
set -euo pipefail

dir=${1:?usage: $0 DIR}
export PATH="$PATH:/usr/sbin:/sbin"   # mkfs.vfat lives in sbin
for tool in mkfs.vfat mcopy truncate; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing (dosfstools, mtools)" >&2; exit 1; }
done

mkdir -p "$dir"
card="$dir/PHYSICALDRIVE1.img"
rm -f "$dir"/PHYSICALDRIVE[123].img "$dir"/PHYSICALDRIVE[123].ini

truncate -s 64M "$card"
mkfs.vfat -n KORVALITH "$card" >/dev/null
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
printf 'Hello from a simulated card.\r\nImage me, restore me, clone me.\r\n' >"$files/README.TXT"
seq 1 200000 >"$files/NUMBERS.TXT"
for i in 1 2 3; do
    # Some bytes that do not compress, like the photos on a real card.
    head -c $((3 * 1024 * 1024)) /dev/urandom >"$files/PHOTO$i.JPG"
done
mmd -i "$card" ::/DCIM
mcopy -i "$card" "$files/README.TXT" "$files/NUMBERS.TXT" ::/
mcopy -i "$card" "$files"/PHOTO*.JPG ::/DCIM/
printf 'MediaType=11\n' >"$dir/PHYSICALDRIVE1.ini"

truncate -s 64M "$dir/PHYSICALDRIVE2.img"
printf 'MediaType=11\n' >"$dir/PHYSICALDRIVE2.ini"

truncate -s 8G "$dir/PHYSICALDRIVE3.img"
printf 'MediaType=12\n' >"$dir/PHYSICALDRIVE3.ini"

echo "Simulated drives in $dir:"
echo "  drive 1: 64 MiB removable card, FAT, $(mdir -i "$card" -/ :: 2>/dev/null | grep -c 'TXT\|JPG') files"
echo "  drive 2: 64 MiB removable card, empty"
echo "  drive 3: 8 GiB fixed disk (above the size limit)"
