/* A DLL of no use but to be found, or not, by its name (DllSearchTest.cpp). */
#include <windows.h>

__declspec(dllexport) int MarrowbyProbe(void) { return 1; }
