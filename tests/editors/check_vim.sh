#!/bin/sh
# The Vim syntax file loads without errors on the sample level and names a command word,
# a parameter prefix, a number and a comment (headless Neovim or Vim; skipped without).
root=$1
editor=$(command -v nvim || command -v vim) || { echo "no nvim or vim: skipped"; exit 77; }
out=$(mktemp) && trap 'rm -f "$out"' EXIT
"$editor" -N -u NONE -i NONE -es \
  --cmd "set rtp^=$root/editors/vim" --cmd 'filetype on' --cmd 'syntax on' \
  -c 'let s = []' \
  -c 'for [l, c] in [[1, 1], [2, 28], [2, 44], [2, 40], [5, 62]] | call add(s, synIDattr(synID(l, c, 1), "name")) | endfor' \
  -c "call writefile([&filetype, v:errmsg] + s, '$out')" -c 'qall!' \
  "$root/tests/editors/sample.lev" </dev/null
expected="quillfray

quillfrayComment
quillfrayCommandWord
quillfrayPrefix
quillfrayNumber
quillfrayFlag"
if [ "$(cat "$out")" != "$expected" ]; then
  echo "$editor gave:"; cat "$out"; echo "expected:"; echo "$expected"; exit 1
fi
echo "vim syntax check passed ($editor)"
