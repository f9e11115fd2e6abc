#pragma once
// Control ids of the "Change Icon" dialog.
#define IDD_FILEICON 7600
#define IDC_FILEICON_LABEL1 7601
#define IDC_FILEICON_FILENAME 7602
#define IDC_FILEICON_BROWSE 7603
#define IDC_FILEICON_LABEL2 7604
#define IDC_FILEICON_ICONS 7605
