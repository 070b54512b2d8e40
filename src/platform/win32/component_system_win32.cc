// The component system on Windows: OLE on the calling thread (a single-threaded apartment, the
// only kind in which a message filter is consulted) with a message filter of our own registered
// in place of any other.
//
// The filter never shows the server-busy or the not-responding dialog. A server that answers
// "busy, retry later" is asked again every kRetryDelayMs for up to kRetryLimitMs, after which
// the call is cancelled and fails with an error instead of waiting forever; a server that
// rejects a call outright fails it at once. While a call waits, COM does its default processing
// of the thread's messages (paint and activation messages, no input). The calls into automation
// servers themselves run on call threads of the multithreaded apartment, where no filter is
// consulted; they retry a busy server the same way on their own (bounded_invoke.h).
#include "platform/component_system.h"
#include "platform/win32/bounded_invoke.h"
#include "platform/win32/windows_api.h"
// The OLE declarations need the Win32 types above.
#include <ole2.h>

namespace radlyn::platform {
namespace {

constexpr DWORD kRetryDelayMs = 100;
constexpr DWORD kRetryLimitMs = 60'000;
constexpr DWORD kCancelCall = 0xFFFFFFFF;

// Lives as long as the process (a static object without a destructor to run), so COM may call
// it at any time; its reference count is therefore not kept.
class SilentMessageFilter final : public IMessageFilter {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
      *object = static_cast<IMessageFilter*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  // Calls into this program (it serves no objects) are taken as they come.
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }

  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed_ms, DWORD reject_type) override {
    if (reject_type == SERVERCALL_RETRYLATER && elapsed_ms < kRetryLimitMs) return kRetryDelayMs;
    return kCancelCall;
  }

  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }
};

SilentMessageFilter silent_filter;

class Win32ComponentSystem final : public ComponentSystem {
 public:
  bool Initialize() override {
    if (initialized_on_this_thread_) return true;
    if (FAILED(::OleInitialize(nullptr))) return false;
    IMessageFilter* previous = nullptr;
    if (FAILED(::CoRegisterMessageFilter(&silent_filter, &previous))) {
      ::OleUninitialize();
      return false;
    }
    if (previous != nullptr) previous->Release();
    initialized_on_this_thread_ = true;
    return true;
  }

  void FreeUnusedLibraries() override { ::CoFreeUnusedLibraries(); }

  // One OleUninitialize for the one OleInitialize this thread made; the message filter goes
  // with the apartment. Not after a call was given up on (bounded_invoke.h): the apartment would
  // wait for the hung server before it lets go, and the process ends soon anyway.
  void Uninitialize() override {
    if (!initialized_on_this_thread_) return;
    initialized_on_this_thread_ = false;
    if (!win32::CallAbandoned()) ::OleUninitialize();
  }

 private:
  // OLE belongs to a thread: initialised once, until Uninitialize.
  static thread_local bool initialized_on_this_thread_;
};

thread_local bool Win32ComponentSystem::initialized_on_this_thread_ = false;

}  // namespace

ComponentSystem& ComponentSystem::Native() {
  static Win32ComponentSystem component_system;
  return component_system;
}

}  // namespace radlyn::platform
