#!/usr/bin/env bash
# The main window under Wine: its state at start-up, the three tabs and the place of
# each page, the About box from the system menu, the memory-map list, and a clean end
# when the window is closed.
source "$(dirname "$0")/lib.sh"
wt_init "$@"

lab_or_fail
app_or_fail

step "start-up state"
expect_eq "window title" "$MAIN_TITLE" "$(drv window-text "$MAIN_TITLE")"
expect_text "$ID_STATUS" "You should put discovery"
expect_enabled "$ID_TABS" 0
expect_enabled "$ID_DISCOVERY" 1
tabs=$(drv tabs)
expect_eq "tab items" $'count\t3\nselected\t0\nitem\t0\tEPSQ Reconfig\nitem\t1\tDDR RW\nitem\t2\tRegister Access' "$tabs"
expect_eq "Register Access address field" 0 "$(text_of "$ID_REG_ADDRESS")"
expect_eq "Register Access value field" 0 "$(text_of "$ID_REG_VALUE")"
# The hidden radio buttons of the register page never appear.
expect_eq "High radio button visible" 0 "$(drv visible 1018)"
expect_eq "Low radio button visible" 0 "$(drv visible 1019)"
expect_no_box 0.5

# One control of each page names the page: 1004 "EPSQ Reconfig", 1013 "DDR RW",
# 1017 "Register Access".
PAGE_OF_TAB=(1004 1013 1017)

# Exactly the page of tab N is visible, its top-left corner one pixel below the
# bottom edge of tab item 0, in the tab control's coordinates.
expect_page_shown() {
  local n=$1 left bottom i rect l t visible
  read -r left _ _ bottom <<<"$(drv tab-rect 0)"
  for i in 0 1 2; do
    rect=$(drv page-rect "${PAGE_OF_TAB[$i]}")
    read -r l t _ _ visible <<<"$rect"
    if [ "$i" = "$n" ]; then
      expect_eq "page $i visible with tab $n" 1 "$visible"
      expect_eq "top-left of page $i" "$left $((bottom + 1))" "$l $t"
    else
      expect_eq "page $i visible with tab $n" 0 "$visible"
    fi
  done
}

step "first page shown at start"
expect_page_shown 0

step "the pages take no input before discovery"
expect_eq "tab click refused" refused "$(lab_drv select-tab 1 2>/dev/null)"
expect_eq "selected tab" $'selected\t0' "$(drv tabs | sed -n 2p)"

step "discovery enables the tabs"
discover

step "each tab shows exactly its page"
for n in 1 2 0 2; do
  drv select-tab "$n" >/dev/null
  expect_page_shown "$n"
done
step "choosing the selected tab again changes nothing"
drv select-tab 2 >/dev/null
expect_page_shown 2
expect_no_box 0.3

step "About box from the system menu"
drv sysmenu-about >/dev/null
drv wait-window "About VandokTestSystem" 5 >/dev/null
expect_eq "main window enabled while the About box is open" 0 "$(drv window-enabled)"
drv --window "About VandokTestSystem" find-text "VandokTestSystem, Version 1.0" >/dev/null
drv --window "About VandokTestSystem" click 1 >/dev/null
drv wait-gone "About VandokTestSystem" 5 >/dev/null
expect_eq "main window enabled after the About box" 1 "$(drv window-enabled)"

step "memory map list"
drv select-tab 0 >/dev/null
MEMORY_MAP=$'column\t0\t120\tBlock descreiption
column\t1\t160\tAddress
row\t0\tddr3_bot_x64\t0x20000000 - 0x3FFFFFFF
row\t1\tddr3_top_x32\t0x10000000 - 0x1FFFFFFF
row\t2\tepcs_flash_controller\t0x00083000 - 0x000837FF
row\t3\tdescriptor_memory\t0x00080000 - 0x00081FFF
row\t4\tprogram_mem\t0x00000020 - 0x0007FFFF
row\t5\treset\t0x00000000 - 0x0000001F'
expect_eq "memory map" "$MEMORY_MAP" "$(drv listview "$ID_MEMORY_MAP")"
step "clicking a column header does not reorder the rows"
drv click-header "$ID_MEMORY_MAP" 0 >/dev/null
drv click-header "$ID_MEMORY_MAP" 1 >/dev/null
expect_eq "memory map after header clicks" "$MEMORY_MAP" "$(drv listview "$ID_MEMORY_MAP")"
expect_no_box 0.3

step "closing the window ends the program"
close_and_expect_clean_exit
