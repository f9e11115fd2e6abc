#pragma once
// Control ids of the statistics dialog.
#define IDD_STATISTICS 300
