// Entry point of the engine library: binds the platform libraries at load and
// shuts the engine down at unload.
#include "engine_internal.h"

BOOL WINAPI DllMain(HINSTANCE Instance, DWORD Reason, LPVOID /*Reserved*/) {
  switch (Reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(Instance);
      EngineLibraryLoad(Instance);
      break;
    case DLL_PROCESS_DETACH:
      EngineLibraryUnload();
      break;
    default:
      break;
  }
  return TRUE;
}
