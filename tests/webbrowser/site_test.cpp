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

TEST(ControlSite, SwallowsThePrintOpenAndSaveShortcutsOnly) {
  ComPtr<ControlSite> site = MakeSite();
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  auto key = [&](WPARAM vk, bool ctrl) {
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG message{nullptr, WM_KEYDOWN, vk, 0, 0, {0, 0}};
    return site->TranslateAccelerator(&message, nullptr, 0);
  };
  EXPECT_EQ(key('P', true), S_OK);
  EXPECT_EQ(key('S', true), S_OK);
  EXPECT_EQ(key('O', true), S_OK);
  EXPECT_EQ(key('N', true), S_OK);
  EXPECT_EQ(key('P', false), S_FALSE);  // typing a P into a field
  EXPECT_EQ(key('C', true), S_FALSE);   // copy
  EXPECT_EQ(key('V', true), S_FALSE);   // paste
  EXPECT_EQ(key(VK_TAB, false), S_FALSE);
  keys[VK_CONTROL] = 0;
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
