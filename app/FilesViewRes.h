#pragma once
// Control ids of the window that shows what Delete would remove.
#define IDD_FILESVIEW 400
#define IDC_FILESVIEWFILES 401
#define IDC_FILESVIEWSUBFOLDERSLABEL 402
#define IDC_FILESVIEWSUBFOLDERS 403
#define IDC_FILESVIEWTOTAL 404
