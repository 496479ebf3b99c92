#!/usr/bin/env bash
# The command-line demo: image the FAT card, check the image, restore it onto
# the empty card and compare the two cards byte for byte.
# Usage: scripts/demo-cli.sh [path/to/kvi]      No root, no display.
set -euo pipefail

kvi=$(realpath "${1:-build/cli/kvi}")
here=$(dirname "$0")
work=$(mktemp -d -t korvalith-demo-XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM HUP

"$here/demo-drives.sh" "$work/drives"
export KORVALITH_SIMULATED_DRIVES="$work/drives"
image="$work/card.kvi"

step() { printf '\n$ kvi %s\n' "$*"; }

step drives
"$kvi" drives

step create 1 card.kvi --creator demo --description 'Demo card\nmade by make demo-cli'
"$kvi" create 1 "$image" --creator demo --description 'Demo card\nmade by make demo-cli'

step info card.kvi --check
"$kvi" info "$image" --check

step "restore card.kvi 2   (the warning answered by 'y' on standard input)"
echo y | "$kvi" restore "$image" 2

printf '\n$ cmp PHYSICALDRIVE1.img PHYSICALDRIVE2.img\n'
cmp "$work/drives/PHYSICALDRIVE1.img" "$work/drives/PHYSICALDRIVE2.img"
echo "Drive 2 now holds exactly what drive 1 holds:"
mdir -i "$work/drives/PHYSICALDRIVE2.img" -/ ::
echo
echo "demo-cli: all steps passed."
