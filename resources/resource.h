// Resource and control ids. Numbers are fixed: tests drive the window by them.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_VANDOKTESTSYSTEM_DIALOG 102
#define IDD_LEDTAB 105
#define IDD_DDRRWTAB 106
#define IDD_EPSQTAB 107
#define IDR_MAINFRAME 128

// System menu entry of the About box.
#define IDM_ABOUTBOX 0x0010

// Main dialog.
#define IDC_TAB 1000
#define IDC_DISCOVERY 1016
#define IDC_STATUS 1029

// "EPSQ Reconfig" page.
#define IDC_BROWSE 1004
#define IDC_RECONFIG 1005
#define IDC_FLASH_PROGRESS 1006
#define IDC_FLASH_ELAPSED 1007
#define IDC_FLASH_TOTAL 1008
#define IDC_MEMORY_MAP 1026

// "DDR RW" page.
#define IDC_DDR_WRITING 1009
#define IDC_DDR_PROGRESS 1012
#define IDC_INCREMENT_TEST 1013
#define IDC_DDR_ELAPSED 1014
#define IDC_DDR_TOTAL 1015
#define IDC_DDR_START 1027
#define IDC_DDR_SIZE 1028

// "Register Access" page.
#define IDC_REG_ADDRESS 1017
#define IDC_REG_HIGH 1018
#define IDC_REG_LOW 1019
#define IDC_REG_SEND 1020
#define IDC_REG_VALUE 1021

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
