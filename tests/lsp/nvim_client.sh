#!/usr/bin/env bash
# Neovim headless with its built-in language client on a level with one mistake: the
# diagnostic quillfray-lsp publishes and a hover must come back. Skipped (77) without Neovim.
set -euo pipefail
build=${1:?usage: nvim_client.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v nvim >/dev/null; then
  echo "skipped: Neovim (nvim) is not installed"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/../../data/base.vec" "$here/../../data/font.vec" "$work/"
printf 'script x {\n  cmd spwan { model orb }\n}\n' > "$work/mine.lev"
QF_LSP="$build/quillfray-lsp" QF_LEVEL="$work/mine.lev" QF_OUT="$work/out.txt" \
  timeout 20 nvim --headless --clean -n -u NONE -c "luafile $here/nvim_client.lua" >/dev/null 2>&1 || true
cat "$work/out.txt" 2>/dev/null || true
grep -q "^2:7: .*spwan" "$work/out.txt" && grep -q "^hover: ." "$work/out.txt" &&
  echo "neovim read the diagnostic and the hover"
