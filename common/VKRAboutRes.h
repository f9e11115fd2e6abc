#pragma once
// Resource ids of the about window.
#define IDD_ABOUTBOX 700
// The logos are drawn in several sizes, one resource each: base + the
// picture size of framework/Dpi.h the DPI asks for (16 at 96 DPI).
#define IDB_TOOLLOGO_SIZED 1500
#define IDB_WINDOWSLOGO_SIZED 1600
#define IDC_PROGRAMICONIMAGE 710
#define IDC_APPLICATIONLABEL 711
#define IDC_VERSIONLABEL 712
#define IDC_COPYRIGHTLABEL 713
#define IDC_TEXTLABEL 714
#define IDC_AUTHORLABEL 715
#define IDC_EMAILLABEL 716
#define IDC_URLLABEL 717
#define IDC_BEVEL1 718
#define IDC_PHYSICALMEMORYLABEL 719
#define IDC_PHYSMEM 720
#define IDC_OSINFOLABEL 721
#define IDC_TOOLLOGOIMAGE 722
#define IDC_WINDOWSLOGOIMAGE 723
