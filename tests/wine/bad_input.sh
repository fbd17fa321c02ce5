#!/usr/bin/env bash
# Bad input under Wine, end to end through the window: texts and image paths that
# must be refused with their message and nothing sent to the board (not a line more
# in the simulator's log), and the odd ones that must still be taken whole.
#   bad_input.sh -- register   address and value of "Register Access"
#   bad_input.sh -- ddr        start and size of "DDR RW"
#   bad_input.sh -- flash      image paths chosen with "Browse..."
# A case that goes wrong is noted and the run goes on, so that one run names every
# input let through; the test fails at the end with the list.
source "$(dirname "$0")/lib.sh"
# Whatever the caller's locale: the driver's arguments and the file names reach Wine
# as UTF-8, and the program runs with the ANSI code page 1252.
export LC_ALL=C.UTF-8
wt_init "$@"
case=${WT_ARGS[0]:-register}

MSG_OPEN="ERROR : Can not open rpt file!"

misses=()
miss() {
  misses+=("$*")
  echo "   MISS: $*"
}
report_misses() {
  [ ${#misses[@]} = 0 ] && return 0
  local m list=''
  for m in "${misses[@]}"; do list+=$'\n  '"$m"; done
  wt_fail "${#misses[@]} of the cases went wrong:$list"
}

# Every line of the simulator's log, connections included: a refused input adds none.
log_lines() { if [ -f "$LAB_SIM_LOG" ]; then wc -l <"$LAB_SIM_LOG"; else echo 0; fi; }
zeros() { printf '0%.0s' $(seq 1 "$1"); }

# The texts no hexadecimal field may take, as LABEL TEXT pairs. Full-width digits and
# letters are the ones a best-fit conversion to the code page would turn into ASCII
# digits; the 261-character text does not fit the 260 bytes the program reads a field
# into, the 300-character one even less.
bad_texts=(
  'full-width digits "１０"' "１０"
  'full-width letter "ａ"' "ａ"
  '"é"' "é"
  '"日本"' "日本"
  '261 zeros' "$(zeros 261)"
  '300 zeros' "$(zeros 300)"
  '9 digits "000000010"' 000000010
  '"0x10"' 0x10
  '" 10"' " 10"
)

# set_field ID TEXT: types TEXT and checks that the field holds it as typed.
set_field() {
  set_text "$1" "$2"
  [ "$(text_of "$1")" = "$2" ] || wt_fail "control $1 does not hold the text typed into it"
}

# The box that showed, quoted, or "no message".
said() { if [ -n "$1" ]; then echo "\"$1\""; else echo "no message"; fi; }

# judge_refusal LABEL MESSAGE GOT BUTTON LINES-BEFORE: the box that showed (GOT, empty
# for none) must read MESSAGE, and the simulator's log must not have grown. A run that
# started all the same is let finish, its box answered.
judge_refusal() {
  local label=$1 want=$2 got=$3 button=$4 before=$5 wrong=''
  if [ "$got" != "$want" ]; then
    wrong="$(said "$got") instead of \"$want\""
    drv wait-enabled "$button" 1 30 >/dev/null
    [ -n "$got" ] || lab_drv messagebox 1 >/dev/null 2>&1
  fi
  if [ "$(log_lines)" != "$before" ]; then
    wrong+="${wrong:+, and }the board received $(sed -n "$((before + 1)),\$p" "$LAB_SIM_LOG" |
      jq -c 'select(has("command")) | {name, address, value, length} + if .name == "FLASH_IMAGE" then {sha256} else {} end' |
      paste -sd' ')"
  fi
  [ -z "$wrong" ] || miss "$label: $wrong"
}

# press_refused LABEL BUTTON MESSAGE: presses BUTTON, which must be refused with MESSAGE.
press_refused() {
  local before got
  before=$(log_lines)
  click "$2"
  got=$(lab_drv messagebox 3 2>/dev/null) || got=''
  judge_refusal "$1" "$3" "$got" "$2" "$before"
}

case $case in
  register)
    lab_or_fail
    app_or_fail
    discover
    drv select-tab 2 >/dev/null

    # send_refused LABEL ADDRESS-TEXT VALUE-TEXT MESSAGE
    send_refused() {
      set_field "$ID_REG_ADDRESS" "$2"
      set_field "$ID_REG_VALUE" "$3"
      press_refused "$1" "$ID_REG_SEND" "$4"
    }

    step "texts the address field must refuse (value 1)"
    for ((i = 0; i < ${#bad_texts[@]}; i += 2)); do
      send_refused "address ${bad_texts[i]}" "${bad_texts[i + 1]}" 1 "ERROR : Address!"
    done
    step "texts the value field must refuse (address 10)"
    for ((i = 0; i < ${#bad_texts[@]}; i += 2)); do
      send_refused "value ${bad_texts[i]}" 10 "${bad_texts[i + 1]}" "ERROR : Value!"
    done

    step "a good write still reaches the board"
    sent=$(sim_command_count)
    set_field "$ID_REG_ADDRESS" 1F
    set_field "$ID_REG_VALUE" 2
    click "$ID_REG_SEND"
    wait_sim_commands $((sent + 1)) 5
    expect_command $((sent + 1)) '.command == 4 and .address == 31 and .value == 2 and .status == "ok"'
    expect_no_box 0.3
    report_misses
    ;;

  ddr)
    lab_or_fail
    app_or_fail
    discover
    drv select-tab 1 >/dev/null

    # run_refused LABEL START-TEXT SIZE-TEXT MESSAGE
    run_refused() {
      set_field "$ID_DDR_START" "$2"
      set_field "$ID_DDR_SIZE" "$3"
      press_refused "$1" "$ID_DDR_TEST" "$4"
    }

    step "texts the start field must refuse (size A)"
    # Full-width "20000000": in the range once turned into ASCII digits.
    run_refused 'start full-width digits "２０００００００"' "２０００００００" A "ERROR : DDR Address!"
    run_refused 'start "é"' "é" A "ERROR : DDR Address!"
    run_refused 'start "日本"' "日本" A "ERROR : DDR Address!"
    run_refused 'start 261 zeros' "$(zeros 261)" A "ERROR : DDR Address!"
    step "texts the size field must refuse (start 20000000)"
    run_refused 'size full-width letter "Ａ"' 20000000 "Ａ" "ERROR : DDR Size!"
    run_refused 'size "日本"' 20000000 "日本" "ERROR : DDR Size!"
    run_refused 'size 261 zeros' 20000000 "$(zeros 261)" "ERROR : DDR Size!"

    step "a good run still succeeds"
    sent=$(sim_command_count)
    set_field "$ID_DDR_START" 20000000
    set_field "$ID_DDR_SIZE" A
    click "$ID_DDR_TEST"
    expect_box "DDR Read Write Success!!" 30
    wait_sim_commands $((sent + 2)) 5
    expect_command $((sent + 1)) '.name == "DDR_WRITE" and .address == 536870912 and .length == 10'
    drv wait-enabled "$ID_DDR_TEST" 1 5 >/dev/null
    report_misses
    ;;

  flash)
    lab_or_fail
    app_or_fail
    discover
    img=$LAB_DIR/images
    mkdir -p "$img"

    # choose FILE: picks FILE in the "Browse..." dialog.
    choose() {
      click "$ID_BROWSE"
      drv open-file "$(win_path "$1")" 15 >/dev/null
    }
    sha_of() { sha256sum "$1" | cut -d' ' -f1; }
    reconfig_refused() {
      local before got
      before=$(log_lines)
      click "$ID_RECONFIG"
      got=$(lab_drv messagebox 10 2>/dev/null) || got=''
      judge_refusal "$1" "$MSG_OPEN" "$got" "$ID_RECONFIG" "$before"
    }
    # reconfig_whole LABEL FILE [or-refused]: "Reconfig" sends FILE whole (or, with
    # or-refused, refuses it with the open error and sends nothing).
    reconfig_whole() {
      local label=$1 file=$2 before n got rec other f
      before=$(log_lines)
      n=$(sim_command_count)
      click "$ID_RECONFIG"
      got=$(lab_drv messagebox 30 2>/dev/null) || got=''
      if [ "${3:-}" = or-refused ] && [ "$got" = "$MSG_OPEN" ]; then
        echo "   ($label: refused)"
        judge_refusal "$label" "$MSG_OPEN" "$got" "$ID_RECONFIG" "$before"
        return
      fi
      if [ "$got" != "Reconfig Complete!!" ]; then
        miss "$label: $(said "$got") instead of \"Reconfig Complete!!\""
        drv wait-enabled "$ID_RECONFIG" 1 30 >/dev/null
        [ "$(sim_command_count)" = "$n" ] && return
      fi
      wait_sim_commands $((n + 1)) 5
      rec=$(sim_command $((n + 1)))
      if [ "$(jq -r --argjson len "$(stat -c %s "$file")" --arg sha "$(sha_of "$file")" \
        '.name == "FLASH_IMAGE" and .command == 1 and .length == $len and .data_bytes == $len and .sha256 == $sha and .padding_ok == true and .status == "ok"' <<<"$rec")" != true ]; then
        # Name the file whose bytes went instead, when it is one of ours.
        other=$(jq -r .sha256 <<<"$rec")
        for f in "$img"/*; do
          if [ -f "$f" ] && [ "$(stat -c %s "$f")" -lt 1048576 ] && [ "$(sha_of "$f")" = "$other" ]; then
            other="the bytes of $(basename "$f")"
            break
          fi
        done
        miss "$label: the board received $rec ($other), not $(basename "$file")"
      fi
      drv wait-enabled "$ID_RECONFIG" 1 5 >/dev/null
    }

    step "an image gone after it was chosen; a name typed that was never there"
    head -c 3000 /dev/urandom >"$img/gone.rpd"
    choose "$img/gone.rpd"
    rm "$img/gone.rpd"
    reconfig_refused "image removed after choosing"
    choose "$img/never.rpd"
    reconfig_refused "typed name of no file"

    step "a folder where the image was"
    # Typed into the dialog, a folder is opened, not returned: the folder takes the
    # chosen image's place instead.
    head -c 3000 /dev/urandom >"$img/folder.rpd"
    choose "$img/folder.rpd"
    rm "$img/folder.rpd" && mkdir "$img/folder.rpd"
    reconfig_refused "folder"

    step "names outside ASCII"
    # Code page 1252 holds "é": the image must arrive whole.
    head -c 3000 /dev/urandom >"$img/café.rpd"
    choose "$img/café.rpd"
    reconfig_whole 'name "café.rpd"' "$img/café.rpd"
    # Not in code page 1252: refused, or the right bytes. Never a file whose name the
    # conversion made up: "?????.rpd" (replacement characters), "image.rpd" (the
    # ASCII letters a best-fit conversion makes of the full-width ones).
    head -c 3000 /dev/urandom >"$img/образ.rpd"
    head -c 700 /dev/urandom >"$img/?????.rpd"
    choose "$img/образ.rpd"
    reconfig_whole 'name "образ.rpd"' "$img/образ.rpd" or-refused
    head -c 3000 /dev/urandom >"$img/ｉｍａｇｅ.rpd"
    head -c 500 /dev/urandom >"$img/image.rpd"
    choose "$img/ｉｍａｇｅ.rpd"
    reconfig_whole 'name "ｉｍａｇｅ.rpd" (full-width, "image.rpd" beside it)' "$img/ｉｍａｇｅ.rpd" or-refused

    step "paths of 260 bytes (taken) and 261 bytes (refused) in narrow form"
    # Nested folders so that Z:\...\name is exactly that long. Wine's own dialog keeps
    # the path in a MAX_PATH buffer: much longer ones crash the dialog itself
    # (Wine 8.0), so the refused case stays at the first length too long.
    deep=$LAB_DIR/long
    [ $((${#deep} + 3)) -lt 140 ] || wt_fail "the lab folder's path is too long for the long-path cases"
    while [ $((260 - 3 - ${#deep})) -gt 120 ]; do deep+=/$(printf 'd%.0s' {1..100}); done
    mkdir -p "$deep"
    name=$(printf 'f%.0s' $(seq 1 $((260 - 3 - ${#deep} - 4))))
    head -c 3000 /dev/urandom >"$deep/$name.rpd"
    expect_eq "length of the 260-byte path" 260 "$(win_path "$deep/$name.rpd" | wc -c | awk '{ print $1 - 1 }')"
    choose "$deep/$name.rpd"
    reconfig_whole "path of 260 bytes" "$deep/$name.rpd"
    # The same path cut to 260 bytes names a file too: never opened instead.
    head -c 3000 /dev/urandom >"$deep/${name}f.rpd"
    head -c 700 /dev/urandom >"$deep/${name}f.rp"
    expect_eq "length of the 261-byte path" 261 "$(win_path "$deep/${name}f.rpd" | wc -c | awk '{ print $1 - 1 }')"
    choose "$deep/${name}f.rpd"
    reconfig_refused "path of 261 bytes"

    step "an empty image is sent: one padding chunk"
    : >"$img/empty.rpd"
    choose "$img/empty.rpd"
    reconfig_whole "0-byte image" "$img/empty.rpd"

    step "a sparse image of 2 GiB is refused"
    truncate -s 2G "$img/sparse.rpd"
    choose "$img/sparse.rpd"
    reconfig_refused "2 GiB image"
    rm -f "$img/sparse.rpd"

    step "a good image still arrives whole"
    choose "$img/image.rpd"
    reconfig_whole "image.rpd" "$img/image.rpd"
    report_misses
    ;;

  *) wt_fail "unknown case $case" ;;
esac

close_and_expect_clean_exit
