# Steps through the window of a running lab (scripts/lab.sh), for the scripts that
# show the program at work: scripts/lab-screenshots.sh and scripts/walkthrough.sh.
#   source scripts/lab-steps.sh
#   STEPS_NAME=NAME STEPS_OUT=DIR   the prefix of error messages; where pictures go
#   steps_drv COMMAND ARGS...       the window driver; ends the script when it fails
#   steps_shot NAME                 DIR/NAME.png cropped to the main window, and to any
#                                   open message box with it; prints the path

STEPS_BOX_CAPTION="Vandok System Test"

steps_die() { echo "${STEPS_NAME:-lab}: $*" >&2; exit 1; }
steps_drv() { lab_drv "$@" || steps_die "driver step '$*' failed"; }

steps_shot() {
  local l t w h bl bt bw bh r b
  read -r l t w h <<<"$(steps_drv window-rect)"
  # A box that is open is part of what the window says: the picture takes it in.
  if lab_drv messagebox-owner 0 >/dev/null 2>&1; then
    read -r bl bt bw bh <<<"$(steps_drv --window "$STEPS_BOX_CAPTION" window-rect)"
    r=$((l + w > bl + bw ? l + w : bl + bw)) b=$((t + h > bt + bh ? t + h : bt + bh))
    l=$((l < bl ? l : bl)) t=$((t < bt ? t : bt))
    w=$((r - l)) h=$((b - t))
  fi
  sleep 0.3
  import -display "$DISPLAY" -window root -crop "${w}x${h}+${l}+${t}" +repage "$STEPS_OUT/$1.png" ||
    steps_die "no screenshot"
  echo "$STEPS_OUT/$1.png"
}
