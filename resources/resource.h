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
