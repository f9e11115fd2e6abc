#pragma once
// Resource ids of the main window: menus, commands, accelerators, images.

#define IDI_MAINICON 1
#define IDR_MAINMENU 100
#define IDR_POPUPMENU 101
#define IDR_ACCELERATORS 102
// The catalogue of folders Find Folders looks for (resources/DisposableFolders.txt).
#define IDR_DISPOSABLEFOLDERS 103
#define IDB_TOOLBAR 110
#define IDB_FOLDERLIST 111
#define IDB_POPUPIMAGES 112
// Strips drawn in each picture size: the id is the base plus the size (16..48).
#define IDB_TOOLBAR_SIZED 1200
#define IDB_FOLDERLIST_SIZED 1300
#define IDB_POPUPIMAGES_SIZED 1400

// Commands: menu items, toolbar buttons and accelerators share these ids.
#define IDM_ADDFOLDER 1001
#define IDM_REMOVEFOLDER 1002
#define IDM_EXIT 1003
#define IDM_SCAN 1010
#define IDM_DELETE 1011
#define IDM_STATISTICS 1012
#define IDM_OPTIONS 1013
#define IDM_FINDFOLDERS 1014
#define IDM_RELEASENOTES 1020
#define IDM_CHECKFORUPDATES 1021
#define IDM_ABOUT 1022
#define IDM_EXPLOREFOLDER 1030
#define IDM_POPUPREMOVEFOLDER 1031
#define IDM_VIEWFILES 1032
#define IDM_FIND 1040
#define IDM_FINDNEXT 1041

// Child windows of the main window.
#define IDC_TOOLBAR 2001
#define IDC_FOLDERLIST 2002
#define IDC_PROGRESSBAR 2003
#define IDC_STATUSBAR 2004

// Images of the toolbar strip, in strip order.
#define IMG_ADDFOLDER 0
#define IMG_REMOVEFOLDER 1
#define IMG_SCAN 2
#define IMG_DELETE 3
#define IMG_STATISTICS 4
#define IMG_OPTIONS 5
#define IMG_ABOUT 6
#define IMG_EXIT 7
#define IMG_FINDFOLDERS 8
