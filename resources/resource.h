// Resource and control ids of the dialog templates; shared by the .rc file and the code.
#pragma once

#define IDD_MAIN 102
#define IDB_BACKGROUND 129
#define IDI_APP 130
#define IDC_HAND_CURSOR 131
#define IDD_SETTINGS 132

// Main window controls
#define IDC_BROWSE 1000
#define IDC_DRIVE_LIST 1001
#define IDC_RECOVER 1002
#define IDC_SAVE_FOLDER 1003
#define IDC_NEXT 1004
#define IDC_SAVE_FOLDER_LABEL 1005
#define IDC_DRIVE_LIST_LABEL 1008
#define IDC_RELOAD 1009
#define IDC_PHOTO_LIST 1010
#define IDC_PROGRESS 1011
#define IDC_PROGRESS_TEXT 1012
#define IDC_STATUS 1013
#define IDC_HELP_LINK 1014
#define IDC_SETTINGS_LINK 1015
#define IDC_LOADING 1016
#define IDC_FILE_LIST 1017
#define IDC_PHOTO_TOGGLE 1018
#define IDC_FILE_TOGGLE 1019

// Settings dialog controls: the Default button, then one check box per format from 1016 on.
#define IDC_DEFAULT_FORMATS 1015
#define IDC_FIRST_FORMAT 1016
#define IDC_FORMAT_JPG 1016
#define IDC_FORMAT_GIF 1017
#define IDC_FORMAT_PNG 1018
#define IDC_FORMAT_BMP 1019
#define IDC_FORMAT_TIF 1020
#define IDC_FORMAT_AVI 1021
#define IDC_FORMAT_MPG 1022
#define IDC_FORMAT_DAT 1023
#define IDC_FORMAT_WMV 1024
#define IDC_FORMAT_ASF 1025
#define IDC_FORMAT_MP3 1026
#define IDC_FORMAT_MP4 1027
#define IDC_FORMAT_MOV 1028
#define IDC_FORMAT_3GP 1029
#define IDC_FORMAT_RM 1030
#define IDC_FORMAT_PDF 1031
#define IDC_FORMAT_SWF 1032
#define IDC_FORMAT_DOC 1033
#define IDC_FORMAT_TXT 1034
#define IDC_FORMAT_WAV 1035
#define IDC_FORMAT_PST 1036
#define IDC_FORMAT_ZIP 1037
#define IDC_FORMAT_RAR 1038
#define IDC_FORMAT_RAW 1039
#define IDC_LAST_FORMAT 1039
