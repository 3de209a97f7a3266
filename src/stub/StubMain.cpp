// Entry point of the restorer program.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The restorer's window arrives with the self-extracting backup; until then the
  // stub only has to be a valid program of its own.
  return 0;
}
