#pragma once
// The IUnknown half of the few COM objects this program hands to the
// browser control: one reference count per object whatever interface the
// control holds it by, and a count of live objects so tests can see that
// ending the control leaves none of ours behind.
#include <objbase.h>

#include <atomic>
#include <utility>

#include <wrl/client.h>

namespace brevolt::platform::webbrowser {

long LiveComObjects();

namespace detail {
extern std::atomic<long> live_com_objects;
}

// Interfaces: the COM interfaces the object answers QueryInterface for; the
// first one also stands for IUnknown. A derived class may answer more
// (base interfaces such as IOleWindow) through ExtraInterface.
template <class First, class... Rest>
class ComObject : public First, public Rest... {
 public:
  ComObject() { ++detail::live_com_objects; }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == __uuidof(First)) {
      *object = static_cast<First*>(this);
    } else {
      const bool listed =
          ((riid == __uuidof(Rest) ? (*object = static_cast<Rest*>(this), true) : false) || ...);
      if (!listed) *object = ExtraInterface(riid);
    }
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ComObject() { --detail::live_com_objects; }
  virtual void* ExtraInterface(REFIID) { return nullptr; }

 private:
  // The control calls us on the window's thread only; atomic costs nothing
  // and keeps the count right should it ever not.
  std::atomic<ULONG> references_{1};
};

// A new object in a ComPtr that holds its one reference. (mingw's
// ComPtr::Attach takes a reference of its own, so it cannot adopt one.)
template <class T, class... Args>
Microsoft::WRL::ComPtr<T> MakeCom(Args&&... args) {
  T* fresh = new T(std::forward<Args>(args)...);
  Microsoft::WRL::ComPtr<T> held(fresh);
  fresh->Release();
  return held;
}

}  // namespace brevolt::platform::webbrowser
