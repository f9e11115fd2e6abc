#!/bin/sh
# The file search tests' Linux-side fixtures (Wine can make neither):
#   <dir>/links      a tree with a link to an ancestor and one to a folder elsewhere
#   <dir>/drive      an empty folder that the prefix's drive M: leads to
#   search-fixtures.sh make|remove <dir> <wineprefix>
set -eu
action=$1
dir=$2
drive=$3/dosdevices/m:

case "$action" in
make)
  rm -rf "$dir"
  mkdir -p "$dir/links/sub" "$dir/elsewhere" "$dir/drive"
  echo top >"$dir/links/top.txt"
  echo inner >"$dir/links/sub/inner.txt"
  echo far >"$dir/elsewhere/far.txt"
  ln -s .. "$dir/links/sub/up"
  ln -s ../elsewhere "$dir/links/out"
  if [ -e "$drive" ] || [ -L "$drive" ]; then
    [ "$(readlink "$drive")" = "$dir/drive" ] || { echo "drive M: of $3 is taken" >&2; exit 1; }
    rm "$drive"
  fi
  ln -s "$dir/drive" "$drive"
  ;;
remove)
  [ -L "$drive" ] && [ "$(readlink "$drive")" = "$dir/drive" ] && rm "$drive"
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 make|remove <dir> <wineprefix>" >&2
  exit 2
  ;;
esac
