#pragma once
// The strip a long command shows over its window: what it works on, and Cancel.

#define IDD_LONGCOMMAND 3100
#define IDC_LONGCOMMANDITEM 3101
