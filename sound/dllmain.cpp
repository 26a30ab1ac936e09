// Entry point of the sound library: binds the platform library at load and closes
// the device at unload.
#include "sound_internal.h"

BOOL WINAPI DllMain(HINSTANCE Instance, DWORD Reason, LPVOID Reserved) {
  switch (Reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(Instance);
      SoundLibraryLoad(Instance);
      break;
    case DLL_PROCESS_DETACH:
      // At process exit (Reserved set) the other threads and libraries are already
      // gone and the system reclaims the device; only FreeLibrary needs the close.
      if (!Reserved) SoundLibraryUnload();
      break;
    default:
      break;
  }
  return TRUE;
}
