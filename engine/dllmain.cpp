// Entry point of the engine library: binds the platform libraries at load and
// shuts the engine down when it is unloaded.
#include "engine_internal.h"

BOOL WINAPI DllMain(HINSTANCE Instance, DWORD Reason, LPVOID Reserved) {
  switch (Reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(Instance);
      EngineLibraryLoad(Instance);
      break;
    case DLL_PROCESS_DETACH:
      // Unloaded by FreeLibrary: shut down and let go of the platform libraries. At
      // process exit (Reserved set) the system takes everything back; releasing the
      // display there would wait for threads that are already gone, and hang.
      if (!Reserved) EngineLibraryUnload();
      break;
    default:
      break;
  }
  return TRUE;
}
