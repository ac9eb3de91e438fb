// The sink decoded through IDispatch::Invoke with arguments laid out as the
// control lays them out, the page's completion included: Wine has no HTML
// engine, so the control there never reports one itself.
#include "platform/webbrowser/browser_events.h"

#include <exdispid.h>
#include <gtest/gtest.h>

#include <wrl/client.h>

#include "app/frm_brevolt.h"
#include "platform/webbrowser/web_frame.h"
#include "tests/unit/recorder.h"
#include "tests/webbrowser/event_args.h"
#include "tests/webbrowser/fake_control.h"
#include "ui/win32/browser_site.h"
#include "ui/win32/program_end.h"

namespace brevolt::test {
namespace {

using Microsoft::WRL::ComPtr;
using platform::webbrowser::BrowserEvents;

constexpr LONG kUserClick = 0x2;  // NWMF_USERINITED

struct Notification {
  bool top_page;
  IDispatch* object;
  ULONG held_during_handler;
  std::string url;
};

struct Sink {
  ComPtr<FrameObject> page, frame;
  std::vector<Notification> notifications;
  std::vector<std::wstring> opened;
  ComPtr<BrowserEvents> events;

  explicit Sink(NavigateCompleteHandler handler = nullptr) {
    page = platform::webbrowser::MakeCom<FrameObject>();
    frame = platform::webbrowser::MakeCom<FrameObject>();
    if (!handler) {
      handler = [this](std::shared_ptr<const WebFrame> f, const std::string& url) {
        auto com = std::static_pointer_cast<const platform::webbrowser::ComWebFrame>(f);
        ASSERT_TRUE(com);
        auto* object = static_cast<FrameObject*>(com->object);
        notifications.push_back({f->top_page, com->object, object->OtherReferences(), url});
      };
    }
    events = platform::webbrowser::MakeCom<BrowserEvents>(
        page.Get(), std::move(handler), [this](const std::wstring& url) { opened.push_back(url); });
  }

  HRESULT Fire(DISPID member, DISPPARAMS params) {
    return events->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                          nullptr, nullptr, nullptr);
  }
  void NavigateComplete(IDispatch* which, const std::wstring& url) {
    EventArgs a;
    Fire(DISPID_NAVIGATECOMPLETE2, a.Params({EventArgs::Object(which), a.TextRef(url)}));
  }
  // True when the control was told to cancel.
  bool BeforeNavigate(IDispatch* which, const std::wstring& url) {
    EventArgs a;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    Fire(DISPID_BEFORENAVIGATE2,
         a.Params({EventArgs::Object(which), a.TextRef(url), a.NumberRef(0), a.TextRef(L""),
                   a.EmptyRef(), a.TextRef(L""), EventArgs::FlagRef(&cancel)}));
    return cancel == VARIANT_TRUE;
  }
  bool NewWindow(LONG flags, const std::wstring& url) {
    EventArgs a;
    IDispatch* new_window = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    Fire(DISPID_NEWWINDOW3,
         a.Params({EventArgs::ObjectRef(&new_window), EventArgs::FlagRef(&cancel),
                   EventArgs::Number(flags), a.Text(L"http://127.0.0.1:28917/posttobrevolt2.asp"),
                   a.Text(url)}));
    return cancel == VARIANT_TRUE;
  }
  bool FileDownload(bool active_document) {
    EventArgs a;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    Fire(DISPID_FILEDOWNLOAD,
         a.Params({EventArgs::Flag(active_document), EventArgs::FlagRef(&cancel)}));
    return cancel == VARIANT_TRUE;
  }
};

TEST(BrowserEvents, ReportsThePageAndEachFrameWithTheAddressReached) {
  Sink sink;
  sink.NavigateComplete(sink.page.Get(), L"http://127.0.0.1:28917/posttobrevolt2.asp");
  sink.NavigateComplete(sink.frame.Get(), L"http://127.0.0.1:28917/caf\u00e9.html?a=1");
  ASSERT_EQ(sink.notifications.size(), 2u);
  EXPECT_TRUE(sink.notifications[0].top_page);
  EXPECT_EQ(sink.notifications[0].object, sink.page.Get());
  EXPECT_EQ(sink.notifications[0].url, "http://127.0.0.1:28917/posttobrevolt2.asp");
  EXPECT_FALSE(sink.notifications[1].top_page);
  EXPECT_EQ(sink.notifications[1].object, sink.frame.Get());
  EXPECT_EQ(sink.notifications[1].url, "http://127.0.0.1:28917/caf\xc3\xa9.html?a=1");
  // The frame object is held while the handler runs, and not after.
  EXPECT_EQ(sink.notifications[1].held_during_handler, 1u);
  EXPECT_EQ(sink.frame->OtherReferences(), 0u);
}

TEST(BrowserEvents, AnErrorIsNoCompletion) {
  Sink sink;
  EventArgs a;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  // What Wine's control sends for a page it cannot show (INET_E_...).
  EXPECT_EQ(sink.Fire(DISPID_NAVIGATEERROR,
                      a.Params({EventArgs::Object(sink.page.Get()),
                                a.TextRef(L"http://127.0.0.1:28917/thankyou.html"), a.TextRef(L""),
                                a.NumberRef(static_cast<LONG>(0x800C0010)),
                                EventArgs::FlagRef(&cancel)})),
            S_OK);
  EXPECT_TRUE(sink.notifications.empty());
  EXPECT_EQ(cancel, VARIANT_FALSE);
}

// The whole road from the control's event to the end of the process, with
// the program's own site, handlers and ending around a stand-in control:
// the page zoomed for the screen, its window.close() refused, its marker
// ending the program once.
TEST(BrowserEvents, ZoomedNotClosedByThePageAndAMarkerEndsOnceAfterTheEventReturned) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  webbrowser_fake::History history;
  auto factory = platform::webbrowser::MakeCom<webbrowser_fake::Factory>(history);
  ::DWORD registration = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_WebBrowser, factory.Get(), CLSCTX_INPROC_SERVER,
                                  REGCLS_MULTIPLEUSE, &registration),
            S_OK);
  ::HWND window = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
  {
    Log log;
    RecordedControl imgFinish{log, "imgFinish"}, lblFinish{log, "lblFinish"};
    RecordedTextBox txtName{log, "txtName"}, txtEmail{log, "txtEmail"}, Text1{log, "Text1"};
    RecordedPlatform platform{log};
    ui::win32::BrowserSite site(window, RECT{0, 0, 100, 100});
    int exits = 0;
    ui::win32::Win32ProgramEnd end(site, window, [&exits] { ++exits; });
    FrmBrevolt frm{FormControls{7, imgFinish, txtName, txtEmail, Text1, lblFinish, site},
                   platform, platform, end};
    site.OnNavigateComplete(
        end.Guard([&frm](std::shared_ptr<const WebFrame> frame, const std::string& url) {
          frm.WebBrowser1_NavigateComplete2(std::move(frame), url);
        }));
    frm.hwndHost = 42;
    site.Navigate("http://127.0.0.1:28917/posttobrevolt2.asp");
    ASSERT_NE(factory->made, nullptr) << "the program did not make the control it was given";
    webbrowser_fake::Control* control = factory->made;
    auto frame = platform::webbrowser::MakeCom<FrameObject>();
    auto fire = [control](IDispatch* which, const wchar_t* url) {
      return webbrowser_fake::Control::NavigateComplete(control, which, url);
    };
    const auto page = static_cast<IWebBrowser2*>(control);
    // At the first navigation, at a new resolution, and at each new page.
    site.SetDpi(144);
    ASSERT_TRUE(fire(page, L"http://127.0.0.1:28917/posttobrevolt2.asp"));
    fire(frame.Get(), L"http://127.0.0.1:28917/frame.html");
    EXPECT_EQ(history.optical_zooms, (std::vector<LONG>{100, 150, 150}));
    EXPECT_TRUE(webbrowser_fake::Control::WindowClosing(control));
    EXPECT_FALSE(end.Ending()) << "the page's window.close() ended the program";

    ASSERT_TRUE(fire(page, L"http://127.0.0.1:28917/thankyou.html"))
        << "released inside its own event";
    // Ending is under way: a frame's marker and the same address again.
    fire(frame.Get(), L"http://127.0.0.1:28917/frame/sorry.html");
    fire(page, L"http://127.0.0.1:28917/thankyou.html");
    EXPECT_EQ(log, (Log{"Text1.text=http://127.0.0.1:28917/posttobrevolt2.asp",
                       "Text1.text=http://127.0.0.1:28917/frame.html",
                       "Text1.text=http://127.0.0.1:28917/thankyou.html",
                       "SetWindowPos 42 0 0 0 0 0 64"}));
    EXPECT_EQ(exits, 0);

    // What the message loop does once the event has returned.
    end.FinishIfEnding();
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(history.closed && history.unadvised && history.released);
    EXPECT_TRUE(history.done_inside_event.empty())
        << "torn down inside its own event: " << history.done_inside_event.front();
  }
  DestroyWindow(window);
  CoRevokeClassObject(registration);
  OleUninitialize();
}

TEST(BrowserEvents, KeepsThePageAndItsFramesOnTheWeb) {
  Sink sink;
  for (IDispatch* which : {static_cast<IDispatch*>(sink.page.Get()),
                           static_cast<IDispatch*>(sink.frame.Get())}) {
    EXPECT_FALSE(sink.BeforeNavigate(which, L"http://127.0.0.1:28917/posttobrevolt2.asp"));
    EXPECT_FALSE(sink.BeforeNavigate(which, L"https://127.0.0.1/a"));
    EXPECT_FALSE(sink.BeforeNavigate(which, L"about:blank"));
    EXPECT_FALSE(sink.BeforeNavigate(which, L"javascript:void(0)"));
    EXPECT_TRUE(sink.BeforeNavigate(which, L"file:///C:/windows/win.ini"));
    EXPECT_TRUE(sink.BeforeNavigate(which, L"FILE:///C:/windows/win.ini"));
    EXPECT_TRUE(sink.BeforeNavigate(which, L"C:\\windows\\win.ini"));
    EXPECT_TRUE(sink.BeforeNavigate(which, L"mk:@MSITStore:C:\\help.chm::/a.htm"));
    EXPECT_TRUE(sink.BeforeNavigate(which, L"res://shell32.dll/a.htm"));
  }
  EXPECT_TRUE(sink.notifications.empty());
}

TEST(BrowserEvents, NoSecondWindowNoDownloadAndOnlyAClickedWebLinkGoesToTheDefaultBrowser) {
  Sink sink;
  EXPECT_TRUE(sink.NewWindow(kUserClick, L"https://127.0.0.1/terms.html"));
  EXPECT_TRUE(sink.NewWindow(0, L"http://127.0.0.1/popup.html"));
  EXPECT_TRUE(sink.NewWindow(kUserClick, L"file:///C:/windows/win.ini"));
  EXPECT_EQ(sink.opened, std::vector<std::wstring>{L"https://127.0.0.1/terms.html"});
  // Downloads are cancelled too, but not the pages themselves.
  EXPECT_TRUE(sink.FileDownload(false));
  // The control announces every page it is about to show the same way.
  EXPECT_FALSE(sink.FileDownload(true));
}

TEST(BrowserEvents, RemembersEveryAddressTriedSoItsCacheCanBeCleared) {
  Sink sink;
  sink.BeforeNavigate(sink.page.Get(), L"http://127.0.0.1/posttobrevolt2.asp");
  sink.BeforeNavigate(sink.frame.Get(), L"file:///C:/secret.txt");
  sink.NavigateComplete(sink.frame.Get(), L"http://127.0.0.1/frame.html");
  EventArgs a;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  sink.Fire(DISPID_NAVIGATEERROR,
            a.Params({EventArgs::Object(sink.page.Get()), a.TextRef(L"http://127.0.0.1/gone"),
                      a.TextRef(L""), a.NumberRef(404), EventArgs::FlagRef(&cancel)}));
  EXPECT_EQ(sink.events->Visited(),
            (std::set<std::wstring>{L"http://127.0.0.1/posttobrevolt2.asp",
                                    L"http://127.0.0.1/frame.html", L"http://127.0.0.1/gone"}));
}

TEST(BrowserEvents, ShortOrMalformedArgumentsAreIgnored) {
  Sink sink;
  EventArgs a;
  EXPECT_EQ(sink.Fire(DISPID_NAVIGATECOMPLETE2, a.Params({})), S_OK);
  EXPECT_EQ(sink.Fire(DISPID_NAVIGATECOMPLETE2,
                      a.Params({EventArgs::Object(sink.page.Get()), EventArgs::Number(5)})),
            S_OK);
  EXPECT_EQ(sink.Fire(DISPID_NEWWINDOW3, a.Params({EventArgs::Number(1)})), S_OK);
  EXPECT_TRUE(sink.notifications.empty());
  EXPECT_TRUE(sink.opened.empty());
}

}  // namespace
}  // namespace brevolt::test
