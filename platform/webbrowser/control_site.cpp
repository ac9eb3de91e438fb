#include "platform/webbrowser/control_site.h"

#include <algorithm>
#include <array>

namespace brevolt::platform::webbrowser {
namespace {

// How the page is drawn: no 3-D border of the control's own (the window's
// layout already clips the control's edges away), and at the system's DPI
// in the page's own standards mode.
constexpr ::DWORD kHostFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_DPI_AWARE;

// The one context menu left: a text field's cut, copy, paste and undo.
constexpr ::DWORD kEditingMenu = CONTEXT_MENU_CONTROL;

// Ctrl+key shortcuts that would print, open an address or a file, save the
// page to disk or open a second window.
constexpr std::array<WPARAM, 5> kBlockedCtrlKeys = {'P', 'O', 'L', 'S', 'N'};

// Commands the control hands to its host to show as dialogs; we show none.
constexpr std::array<::DWORD, 5> kSilencedCommands = {
    OLECMDID_SHOWSCRIPTERROR, OLECMDID_SHOWPRINT, OLECMDID_SHOWPAGESETUP, OLECMDID_PRINT,
    OLECMDID_PRINTPREVIEW};

bool IsSilenced(::DWORD command) {
  return std::find(kSilencedCommands.begin(), kSilencedCommands.end(), command) !=
         kSilencedCommands.end();
}

bool IsDown(int key) { return GetKeyState(key) < 0; }

bool IsBlockedShortcut(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  // AltGr arrives as Ctrl+Alt: on Polish, German, French or Czech keyboards
  // AltGr+S, O, L, N are letters (s, o, l, n with their accents), not
  // shortcuts, and a name or an address needs them.
  if (!IsDown(VK_CONTROL) || IsDown(VK_MENU)) return false;
  return std::find(kBlockedCtrlKeys.begin(), kBlockedCtrlKeys.end(), message.wParam) !=
         kBlockedCtrlKeys.end();
}

}  // namespace

ControlSite::ControlSite(::HWND container, ::HWND top_level) : container_(container) {
  frame_ = MakeCom<InPlaceFrame>(top_level);
}

void* ControlSite::ExtraInterface(REFIID riid) {
  return riid == IID_IOleWindow ? static_cast<IOleInPlaceSite*>(this) : nullptr;
}

HRESULT ControlSite::GetMoniker(::DWORD, ::DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlSite::GetContainer(IOleContainer** container) {
  if (container != nullptr) *container = nullptr;
  return E_NOINTERFACE;
}

HRESULT ControlSite::GetWindow(::HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = container_;
  return S_OK;
}

HRESULT ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                      LPRECT position, LPRECT clip,
                                      LPOLEINPLACEFRAMEINFO frame_info) {
  if (frame == nullptr || doc == nullptr || position == nullptr || clip == nullptr ||
      frame_info == nullptr) {
    return E_POINTER;
  }
  frame_.CopyTo(frame);
  *doc = nullptr;
  // The control fills the container; the container's own place in the
  // window does the clipping.
  GetClientRect(container_, position);
  *clip = *position;
  frame_info->fMDIApp = FALSE;
  frame_->GetWindow(&frame_info->hwndFrame);
  frame_info->haccel = nullptr;
  frame_info->cAccelEntries = 0;
  return S_OK;
}

HRESULT ControlSite::ShowContextMenu(::DWORD menu, POINT*, IUnknown*, IDispatch*) {
  // S_FALSE lets the control show its own menu; S_OK means we showed one.
  return menu == kEditingMenu ? S_FALSE : S_OK;
}

HRESULT ControlSite::GetHostInfo(DOCHOSTUIINFO* info) {
  if (info == nullptr) return E_POINTER;
  info->dwFlags = kHostFlags;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  info->pchHostCss = nullptr;
  info->pchHostNS = nullptr;
  return S_OK;
}

HRESULT ControlSite::TranslateAccelerator(LPMSG message, const GUID*, ::DWORD) {
  // S_OK: handled here, so the control does nothing with it.
  return message != nullptr && IsBlockedShortcut(*message) ? S_OK : S_FALSE;
}

HRESULT ControlSite::GetOptionKeyPath(LPOLESTR* key, ::DWORD) {
  if (key != nullptr) *key = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlSite::GetDropTarget(IDropTarget*, IDropTarget** target) {
  if (target != nullptr) *target = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlSite::GetExternal(IDispatch** external) {
  if (external != nullptr) *external = nullptr;
  return S_FALSE;
}

HRESULT ControlSite::TranslateUrl(::DWORD, LPWSTR, LPWSTR* translated) {
  if (translated != nullptr) *translated = nullptr;
  return S_FALSE;
}

HRESULT ControlSite::FilterDataObject(IDataObject*, IDataObject** filtered) {
  if (filtered != nullptr) *filtered = nullptr;
  return S_FALSE;
}

HRESULT ControlSite::QueryStatus(const GUID* group, ULONG count, OLECMD commands[], OLECMDTEXT*) {
  if (group == nullptr || *group != kDocHostCommandGroup) return OLECMDERR_E_UNKNOWNGROUP;
  for (ULONG i = 0; commands != nullptr && i < count; ++i) {
    commands[i].cmdf = IsSilenced(commands[i].cmdID) ? OLECMDF_SUPPORTED | OLECMDF_ENABLED : 0;
  }
  return S_OK;
}

HRESULT ControlSite::Exec(const GUID* group, ::DWORD command, ::DWORD, VARIANT*, VARIANT* out) {
  if (group == nullptr || *group != kDocHostCommandGroup) return OLECMDERR_E_UNKNOWNGROUP;
  if (!IsSilenced(command)) return OLECMDERR_E_NOTSUPPORTED;
  if (command == OLECMDID_SHOWSCRIPTERROR && out != nullptr) {
    // Keep running the page's scripts, without a word.
    VariantClear(out);
    out->vt = VT_BOOL;
    out->boolVal = VARIANT_TRUE;
  }
  return S_OK;
}

}  // namespace brevolt::platform::webbrowser
