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

/* Commands beyond the classic menu; they lie outside 100 to 200, where every
   unused id is a command that does nothing. */
#define CM_PASTE 1101
#define CM_CALIBRATE 1102
#define CM_TRACING 1103
#define CM_ZOOM_IN 1110
#define CM_ZOOM_OUT 1111
#define CM_WHOLE_PICTURE 1112
#define CM_SHOW_TRACE 1113
#define CM_POINTER_POSITION 1114

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
#define IDC_OPEN_TRACING 108
#define IDC_LIMITS_NOTE 123

/* The Tracing dialog. */
#define IDD_TRACING 3
#define IDC_TRACE_CLASSIC 301
#define IDC_TRACE_AUTO 302
#define IDC_INK_PICTURE 303
#define IDC_INK_THRESHOLD 304
#define IDC_THRESHOLD 305
#define IDC_INK_COLOUR 306
#define IDC_COLOUR 307
#define IDC_PICK_COLOUR 308
#define IDC_BOX_FOUND 309
#define IDC_BOX_SET 310
#define IDC_BOX_LEFT 311
#define IDC_BOX_TOP 312
#define IDC_BOX_RIGHT 313
#define IDC_BOX_BOTTOM 314
#define IDC_NUCLEUS 315

/* The axis calibration dialog. */
#define IDD_CALIBRATE 4
#define IDC_MARK1_X 401
#define IDC_MARK1_VALUE 402
#define IDC_MARK2_X 403
#define IDC_MARK2_VALUE 404
#define IDC_UNIT_PPM 405
#define IDC_UNIT_HZ 406
#define IDC_PLACE_MARKS 407
#define IDC_REMOVE_CALIBRATION 408

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
