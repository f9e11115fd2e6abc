#pragma once
// Control ids of the options dialog.
#define IDD_OPTIONS 200
