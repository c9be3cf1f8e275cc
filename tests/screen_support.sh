# What the editor screenshot scripts share; sourced, with `mode` (linux or wine) set.
# screen_setup SIZE: a work folder that goes at exit, a virtual display of SIZE (e.g. 800x300)
# of our own, and for wine a fresh prefix in the work folder's home.
screen_setup() {
  work=$(mktemp -d)
  trap 'screen_cleanup' EXIT
  # A step that fails says which, rather than ending the script without a word.
  trap 'echo "$(basename "$0"): failed at line $LINENO: $BASH_COMMAND" >&2' ERR
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  export HOME=$work/home
  mkdir -p "$HOME"
  if [ "$mode" = wine ]; then
    export WINEPREFIX=$work/home/.wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wineboot -i >/dev/null 2>&1 || true
  fi
}
screen_cleanup() {
  set +e  # what is gone already need not be stopped
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  [ "$mode" = wine ] && wineserver -k 2>/dev/null
  rm -rf "$work"
}
# pixel IMAGE X Y: "r,g,b" of one pixel.
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
# expect_pixel IMAGE X Y R,G,B
expect_pixel() {
  local got
  got=$(pixel "$1" "$2" "$3")
  [ "$got" = "$4" ] || { echo "$(basename "$1"): pixel ($2,$3) is $got, not $4"; exit 1; }
}
# wait_for_screen X Y R,G,B [SECONDS]: waits until the screen's pixel at (X, Y) has that colour
# (a plug-in's window has come and drawn), at most SECONDS (20); false when it never does.
wait_for_screen() {
  local tries=$(( ${4:-20} * 4 ))
  for _ in $(seq "$tries"); do
    import -window root -crop "1x1+$1+$2" +repage "$work/probe.png" 2>/dev/null &&
      [ "$(pixel "$work/probe.png" 0 0)" = "$3" ] && return 0
    sleep 0.25
  done
  return 1
}
