#pragma once
// Control ids of the "New Version Available" window.
#define IDD_APPUPDATENOTIFY 600
#define IDC_README 601
#define IDC_DOWNLOAD 602
#define IDC_OPENWEBPAGE 603
