#!/usr/bin/env bash
# Wall time of a headless session of 100 rounds: each round is given up at
# the first question and the game is played again, then the player leaves.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
{ printf '[MIRTALAN]\nDIRMIRTALAN=%s/build/dados/jogo\nARQPALAVRAS=%s/build/dados/mirtalan.pal\n' "$raiz" "$raiz"
  cat "$raiz/build/dados/TALVEN.INI"; } >"$dir/TALVEN.INI"
for _ in $(seq 99); do printf '<Esc>s'; done >"$dir/teclas"
printf '<Esc>n' >>"$dir/teclas"
inicio=$(date +%s.%N)
TALVEN_DIR="$dir" TALVEN_TELA=nenhuma TALVEN_TECLAS="$dir/teclas" TALVEN_DIARIO="$dir/diario" \
  "$raiz/build/mirtalan"
fim=$(date +%s.%N)
rodadas=$(grep -c ' palavra ' "$dir/diario")
virtual=$(tail -n 1 "$dir/diario" | cut -d' ' -f1)
awk -v r="$rodadas" -v a="$inicio" -v b="$fim" -v v="$virtual" \
  'BEGIN { printf "%d rodadas em %.3f s de relogio (%.0f s de jogo virtual)\n", r, b - a, v / 1000 }'
