// The Windows module, through the Windows loader: this file is compiled by wine's compiler
// driver and the host linked as a wine program (make windows-host). The module's own
// Win32 calls (files, code pages, GDI, USER, its resources) are then wine's. Compiled with
// wine's own flags (a 16-bit wchar_t among them), it keeps to C++ that has no wide
// characters in it.
#include <windows.h>

#include <string>
#include <vector>

#include "hostsim/core/module_loader.h"

namespace hostsim {
namespace {

// A path of this system as the Windows module names it: drive Z: is the root.
std::vector<WCHAR> WindowsPath(const std::string& path) {
  std::string dos = "Z:";
  for (char c : path)
    dos += c == '/' ? '\\' : c;
  const int n = MultiByteToWideChar(CP_UTF8, 0, dos.c_str(), -1, nullptr, 0);
  std::vector<WCHAR> wide(static_cast<std::size_t>(n > 0 ? n : 1), 0);
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, dos.c_str(), -1, wide.data(), n);
  return wide;
}

// A memory context's selected bitmap, as a 32-bit top-down DIB.
HBITMAP SelectedBitmap(void* port, BITMAPINFO* info) {
  HDC dc = static_cast<HDC>(port);
  if (!port || GetObjectType(dc) != OBJ_MEMDC) return nullptr;
  HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
  BITMAP b{};
  if (!bitmap || !GetObjectW(bitmap, sizeof b, &b)) return nullptr;
  *info = BITMAPINFO{};
  info->bmiHeader.biSize = sizeof info->bmiHeader;
  info->bmiHeader.biWidth = b.bmWidth;
  info->bmiHeader.biHeight = -b.bmHeight;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 32;
  info->bmiHeader.biCompression = BI_RGB;
  return bitmap;
}

bool PortSize(void* port, std::int32_t* width, std::int32_t* height) {
  BITMAPINFO info;
  if (!SelectedBitmap(port, &info)) return false;
  *width = info.bmiHeader.biWidth;
  *height = -info.bmiHeader.biHeight;
  return true;
}

bool ReadPort(void* port, std::int32_t width, std::int32_t height, std::uint32_t* pixels) {
  BITMAPINFO info;
  HBITMAP bitmap = SelectedBitmap(port, &info);
  if (!bitmap || info.bmiHeader.biWidth != width || -info.bmiHeader.biHeight != height)
    return false;
  if (GetDIBits(static_cast<HDC>(port), bitmap, 0, static_cast<UINT>(height), pixels, &info,
                DIB_RGB_COLORS) != height)
    return false;
  for (std::int32_t i = 0; i < width * height; ++i)
    pixels[i] &= 0xFFFFFFu;
  return true;
}

bool WritePort(void* port, std::int32_t width, std::int32_t height, const std::uint32_t* pixels) {
  BITMAPINFO info;
  if (!SelectedBitmap(port, &info) || info.bmiHeader.biWidth != width ||
      -info.bmiHeader.biHeight != height)
    return false;
  return SetDIBitsToDevice(static_cast<HDC>(port), 0, 0, static_cast<DWORD>(width),
                           static_cast<DWORD>(height), 0, 0, 0, static_cast<UINT>(height), pixels,
                           &info, DIB_RGB_COLORS) == height;
}

void* CreatePort(std::int32_t width, std::int32_t height) {
  HDC screen = GetDC(nullptr);
  HDC dc = screen ? CreateCompatibleDC(screen) : nullptr;
  HBITMAP bitmap = dc ? CreateCompatibleBitmap(screen, width, height) : nullptr;
  if (screen) ReleaseDC(nullptr, screen);
  if (!bitmap) {
    if (dc) DeleteDC(dc);
    return nullptr;
  }
  SelectObject(dc, bitmap);
  return dc;
}

void ReleasePort(void* port) {
  HDC dc = static_cast<HDC>(port);
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  DeleteDC(dc);
  if (bitmap) DeleteObject(bitmap);
}

struct MirrorWindow {
  const void* key;
  HWND window;
};
std::vector<MirrorWindow>& Mirrors() {
  static std::vector<MirrorWindow> mirrors;
  return mirrors;
}

void* Window(const void* key, void* parent, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom) {
  HWND owner = static_cast<HWND>(parent);
  HWND window = nullptr;
  for (const MirrorWindow& m : Mirrors())
    if (m.key == key) window = m.window;
  if (window && (GetParent(window) != owner || !IsWindow(window))) window = nullptr;
  if (!window) {
    window = CreateWindowExW(0, L"STATIC", L"", owner ? WS_CHILD : WS_POPUP, 0, 0, 1, 1, owner,
                             nullptr, nullptr, nullptr);
    if (!window) return nullptr;
    Mirrors().push_back({key, window});
  }
  POINT origin{0, 0};
  if (owner) ClientToScreen(owner, &origin);
  SetWindowPos(window, HWND_TOP, left - origin.x, top - origin.y, right - left, bottom - top,
               SWP_NOACTIVATE);
  return window;
}

void Cursor(std::int32_t x, std::int32_t y) {
  SetCursorPos(x, y);
}

const ForeignPorts kForeignPorts{PortSize,    ReadPort, WritePort, CreatePort,
                                 ReleasePort, Window,   Cursor};

}  // namespace

bool LoadPluginModule(const std::string& path, LoadedModule* module, std::string* error) {
  *module = LoadedModule{};
  std::vector<WCHAR> name = WindowsPath(path);
  HMODULE handle = LoadLibraryW(name.data());
  if (!handle) {
    *error = "the Windows loader cannot load " + path + " (error " +
             std::to_string(GetLastError()) + ")";
    return false;
  }
  auto main = reinterpret_cast<host::PluginMainProc>(
      reinterpret_cast<void*>(GetProcAddress(handle, "PluginMain")));
  using TableProc = const velm::res::ResourceTable*(VELM_HOSTCALL*)();
  auto table = reinterpret_cast<TableProc>(
      reinterpret_cast<void*>(GetProcAddress(handle, "VelmResourceTable")));
  const velm::res::ResourceTable* resources = table ? table() : nullptr;
  if (!main || !resources || resources->version != velm::res::kResourceTableVersion) {
    *error = "the module does not export PluginMain and a resource table";
    FreeLibrary(handle);
    return false;
  }
  *module = LoadedModule{handle, main, resources};
  return true;
}

void UnloadPluginModule(void* handle) {
  if (handle) FreeLibrary(static_cast<HMODULE>(handle));
}

const ForeignPorts* ModuleForeignPorts() {
  return &kForeignPorts;
}

const char* ModuleLoaderName() {
  return "windows";
}

}  // namespace hostsim
