// A library that loads and does nothing: what a delivery needs of zip32.dll.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
