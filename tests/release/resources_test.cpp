// The resources of the built binaries, read as Windows reads them: version
// information in all three, and the icon and the manifest in game.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string VersionString(const std::vector<char>& Block, const char* Name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\040904B0\\") + Name;
  if (!VerQueryValueA(Block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return "";
  return std::string(value);
}

std::vector<char> VersionBlock(const std::string& File) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(File.c_str(), &handle);
  std::vector<char> block(size);
  if (size == 0 || !GetFileVersionInfoA(File.c_str(), 0, size, block.data())) block.clear();
  return block;
}

TEST(Resources, EveryBinaryNamesTheProductAndItsVersionAndTheGameHasItsIconAndManifest) {
  struct Case {
    const char* File;
    const char* Description; // the start of it
    int Type;
  };
  for (const Case c : {Case{"game.exe", "Triwell,", VFT_APP}, Case{"TavrikEngine2D.dll", "TavrikEngine2D,", VFT_DLL},
                       Case{"tavriksoundlite.dll", "TavrikSoundLite,", VFT_DLL}}) {
    SCOPED_TRACE(c.File);
    const std::string file = std::string(TRIWELL_BIN_DIR) + "\\" + c.File;
    const std::vector<char> block = VersionBlock(file);
    ASSERT_FALSE(block.empty()) << "version information";
    EXPECT_EQ(VersionString(block, "ProductName"), "Triwell");
    EXPECT_EQ(VersionString(block, "OriginalFilename"), c.File);
    EXPECT_EQ(VersionString(block, "FileDescription").rfind(c.Description, 0), 0u);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD high = MAKELONG(TRIWELL_VERSION_MINOR, TRIWELL_VERSION_MAJOR), low = MAKELONG(0, TRIWELL_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    // The strings Explorer shows say what the fixed fields say, all four numbers.
    const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, TRIWELL_VERSION_QUAD);
    EXPECT_EQ(VersionString(block, "FileVersion"), numbers);
    EXPECT_EQ(VersionString(block, "ProductVersion"), numbers);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(c.Type));
  }

  const std::string game = std::string(TRIWELL_BIN_DIR) + "\\game.exe";
  const HMODULE module = LoadLibraryExA(game.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)), nullptr) << "an icon group";
  const HICON icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0));
  EXPECT_NE(icon, nullptr) << "a 32 x 32 icon Windows can show";
  if (icon) DestroyIcon(icon);
  const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(found, nullptr) << "the manifest";
  const char* text = static_cast<const char*>(LockResource(LoadResource(module, found)));
  const std::string manifest(text, SizeofResource(module, found));
  for (const char* needed :
       {"PerMonitorV2", "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
        "level=\"asInvoker\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, System</dpiAwareness>",
        "version=\"" TRIWELL_VERSION_QUAD "\""})
    EXPECT_NE(manifest.find(needed), std::string::npos) << needed;
  FreeLibrary(module);

  // The loader accepts the manifest: one it cannot parse stops the program before it starts.
  const std::wstring path(game.begin(), game.end());
  ACTCTXW context = {};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.lpSource = path.c_str();
  context.lpResourceName = MAKEINTRESOURCEW(1);
  const HANDLE activation = CreateActCtxW(&context);
  EXPECT_NE(activation, INVALID_HANDLE_VALUE) << "an activation context from the manifest, error " << GetLastError();
  if (activation != INVALID_HANDLE_VALUE) ReleaseActCtx(activation);
}

} // namespace
