/* Resource ids shared by the resource script and the program. Plain #defines:
   the resource compiler reads this file too. */
#ifndef QUILLON_RESOURCE_H
#define QUILLON_RESOURCE_H

/* Icons, menu, accelerators, pictures. */
#define IDI_QUILLON 1
#define IDM_MAIN 1
#define IDA_MAIN 1
#define IDI_BUTTON_OK 1000
#define IDI_BUTTON_CANCEL 1001
#define IDI_BUTTON_HELP 1002
#define IDB_ABOUT 1500

/* Ini datum definitions (RCDATA). */
#define IDR_DIGITS 1
#define IDR_PORTABLE 2

/* Commands of the menu and the accelerators. */
#define CM_RETRIEVE 100
#define CM_CREATE 101
#define CM_CLOSE 102
#define CM_EXIT 110
#define CM_HELP_CONTENTS 120
#define CM_HELP_SEARCH 121
#define CM_ABOUT 200

/* The settings dialog. */
#define IDD_SETTINGS 2
#define IDC_SF 101
#define IDC_SI 102
#define IDC_F1 103
#define IDC_F2 104
#define IDC_NAME 105
#define IDC_LINE_WIDTH 106
#define IDC_FORMAT 107
#define IDC_HELP_BUTTON 9
#define IDC_PICTURE_LINE1 122
#define IDC_PICTURE_LINE2 120
#define IDC_PICTURE_LINE3 121

/* The About box. */
#define IDD_ABOUT 999
#define IDC_ABOUT_PICTURE 500
#define IDC_ABOUT_FRAME 889
#define IDC_ABOUT_LINE1 100
#define IDC_ABOUT_VERSION 101
#define IDC_ABOUT_LINE2 102
#define IDC_ABOUT_LINE3 103
#define IDC_ABOUT_VERSION_EXTRA 104
#define IDC_ABOUT_MEMORY 105
#define IDC_ABOUT_RESOURCES 106

#endif
