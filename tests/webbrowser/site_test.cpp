// What the host tells the control about the page's look and behaviour.
#include "platform/webbrowser/control_site.h"

#include <gtest/gtest.h>

#include <wrl/client.h>

namespace brevolt::test {
namespace {

using Microsoft::WRL::ComPtr;
using platform::webbrowser::ControlSite;

ComPtr<ControlSite> MakeSite() {
  return platform::webbrowser::MakeCom<ControlSite>(nullptr, nullptr);
}

TEST(ControlSite, AsksForABorderlessPageAtTheSystemsDpi) {
  ComPtr<ControlSite> site = MakeSite();
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_EQ(site->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags, static_cast<::DWORD>(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_DPI_AWARE));
  EXPECT_EQ(info.pchHostCss, nullptr);
}

TEST(ControlSite, LeavesOnlyATextFieldsEditingMenu) {
  ComPtr<ControlSite> site = MakeSite();
  POINT at{10, 10};
  // S_FALSE: the control shows its own menu; S_OK: the host "showed" one.
  EXPECT_EQ(site->ShowContextMenu(CONTEXT_MENU_CONTROL, &at, nullptr, nullptr), S_FALSE);
  for (::DWORD menu : {CONTEXT_MENU_DEFAULT, CONTEXT_MENU_IMAGE, CONTEXT_MENU_TABLE,
                       CONTEXT_MENU_TEXTSELECT, CONTEXT_MENU_ANCHOR, CONTEXT_MENU_UNKNOWN}) {
    EXPECT_EQ(site->ShowContextMenu(menu, &at, nullptr, nullptr), S_OK) << menu;
  }
}

TEST(ControlSite, SwallowsThePrintOpenAndSaveShortcutsButNoAltGrCharacter) {
  ComPtr<ControlSite> site = MakeSite();
  enum Mods { kNone = 0, kCtrl = 1, kAltGr = 3 /* reported as Ctrl+Alt */ };
  struct Case {
    WPARAM key;
    int mods;
    UINT message;
    HRESULT expected;  // S_OK: swallowed; S_FALSE: left to the page
  };
  const Case cases[] = {
      {'P', kCtrl, WM_KEYDOWN, S_OK},      {'S', kCtrl, WM_KEYDOWN, S_OK},
      {'O', kCtrl, WM_KEYDOWN, S_OK},      {'N', kCtrl, WM_KEYDOWN, S_OK},
      {'L', kCtrl, WM_KEYDOWN, S_OK},      {'P', kNone, WM_KEYDOWN, S_FALSE},
      {'C', kCtrl, WM_KEYDOWN, S_FALSE},   {'V', kCtrl, WM_KEYDOWN, S_FALSE},
      {VK_TAB, kNone, WM_KEYDOWN, S_FALSE},
      // Polish s, o, l, n with accents; German @ and the euro sign.
      {'S', kAltGr, WM_KEYDOWN, S_FALSE},  {'O', kAltGr, WM_KEYDOWN, S_FALSE},
      {'L', kAltGr, WM_KEYDOWN, S_FALSE},  {'N', kAltGr, WM_SYSKEYDOWN, S_FALSE},
      {'Q', kAltGr, WM_KEYDOWN, S_FALSE},  {'E', kAltGr, WM_KEYDOWN, S_FALSE},
  };
  BYTE keys[256] = {};
  for (const Case& c : cases) {
    keys[VK_CONTROL] = (c.mods & kCtrl) ? 0x80 : 0;
    keys[VK_MENU] = (c.mods & ~kCtrl) ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG message{nullptr, c.message, c.key, 0, 0, {0, 0}};
    EXPECT_EQ(site->TranslateAccelerator(&message, nullptr, 0), c.expected)
        << static_cast<char>(c.key) << " with modifiers " << c.mods;
  }
  keys[VK_CONTROL] = keys[VK_MENU] = 0;
  SetKeyboardState(keys);
}

TEST(ControlSite, PrintAndScriptErrorDialogsEndSilentlyInTheHost) {
  ComPtr<ControlSite> site = MakeSite();
  const GUID* group = &platform::webbrowser::kDocHostCommandGroup;
  EXPECT_EQ(site->Exec(group, OLECMDID_SHOWPRINT, 0, nullptr, nullptr), S_OK);
  EXPECT_EQ(site->Exec(group, OLECMDID_SHOWPAGESETUP, 0, nullptr, nullptr), S_OK);
  VARIANT keep_running;
  VariantInit(&keep_running);
  EXPECT_EQ(site->Exec(group, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &keep_running), S_OK);
  EXPECT_EQ(keep_running.vt, VT_BOOL);
  EXPECT_EQ(keep_running.boolVal, VARIANT_TRUE);
  // Everything else keeps the control's own behaviour.
  EXPECT_EQ(site->Exec(group, OLECMDID_SHOWMESSAGE, 0, nullptr, nullptr), OLECMDERR_E_NOTSUPPORTED);
  EXPECT_EQ(site->Exec(nullptr, OLECMDID_PRINT, 0, nullptr, nullptr), OLECMDERR_E_UNKNOWNGROUP);
}

TEST(ControlSite, IsOneObjectWhateverInterfaceTheControlAsksFor) {
  ComPtr<ControlSite> site = MakeSite();
  ComPtr<IOleClientSite> client;
  ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&client)), S_OK);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(client.As(&identity), S_OK);
  for (REFIID iid : {IID_IOleWindow, IID_IOleInPlaceSite, IID_IDocHostUIHandler,
                     IID_IOleCommandTarget}) {
    ComPtr<IUnknown> other, other_identity;
    ASSERT_EQ(client->QueryInterface(iid, reinterpret_cast<void**>(other.GetAddressOf())), S_OK);
    ASSERT_EQ(other.As(&other_identity), S_OK);
    EXPECT_EQ(other_identity.Get(), identity.Get());
  }
  ComPtr<IUnknown> none;
  EXPECT_EQ(client->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(none.GetAddressOf())),
            E_NOINTERFACE);
}

}  // namespace
}  // namespace brevolt::test
