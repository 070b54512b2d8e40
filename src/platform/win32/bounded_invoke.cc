#include "platform/win32/bounded_invoke.h"

#include <utility>

// The OLE declarations need the Win32 types above.
#include <ole2.h>

namespace radlyn::platform::win32 {
namespace {

volatile LONG abandoned = 0;

HRESULT WaitForCall(DWORD limit_ms, HANDLE done, DWORD* index) {
  return ::CoWaitForMultipleHandles(0, limit_ms, 1, &done, index);
}

CallWait call_wait = &WaitForCall;

// One bounded step handed to its thread; owned by both sides.
struct Call {
  ~Call() {
    if (done != nullptr) ::CloseHandle(done);
  }
  std::function<void()> work;
  HANDLE done = nullptr;
};

DWORD WINAPI RunCall(void* parameter) {
  const std::unique_ptr<std::shared_ptr<Call>> handed(
      static_cast<std::shared_ptr<Call>*>(parameter));
  Call& call = **handed;
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  call.work();
  ::CoUninitialize();
  ::SetEvent(call.done);
  return 0;
}

// The object handed to a call thread, marshalled for it; owned by both sides.
//
// A proxy marshalled the usual way hands the new proxy some of its references to the server,
// and asks the server for more once it has none left: a call into the server from the caller's
// thread, which a hung server would hold for good. Marshalled table-weak it takes no reference:
// the call thread's proxy asks for its own when it is unmarshalled, on the call thread, within
// the limit. (Where the system cannot marshal a proxy so, the usual way is taken.)
struct Target {
  ~Target() {
    if (stream != nullptr) stream->Release();
  }

  HRESULT Marshal(IDispatch& dispatch) {
    if (SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(::CoMarshalInterface(stream, IID_IDispatch, &dispatch, MSHCTX_INPROC, nullptr,
                                       MSHLFLAGS_TABLEWEAK))) {
      table = true;
      return S_OK;
    }
    if (stream != nullptr) std::exchange(stream, nullptr)->Release();
    return ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, &dispatch, &stream);
  }

  // On the call thread: the object for this thread, or null (`reached` says why).
  IDispatch* Unmarshal() {
    IDispatch* object = nullptr;
    if (table) {
      const LARGE_INTEGER start{};
      stream->Seek(start, STREAM_SEEK_SET, nullptr);
      reached = ::CoUnmarshalInterface(stream, IID_IDispatch, reinterpret_cast<void**>(&object));
      stream->Seek(start, STREAM_SEEK_SET, nullptr);
      ::CoReleaseMarshalData(stream);
      std::exchange(stream, nullptr)->Release();
    } else {
      reached = ::CoGetInterfaceAndReleaseStream(std::exchange(stream, nullptr), IID_IDispatch,
                                                 reinterpret_cast<void**>(&object));
    }
    return SUCCEEDED(reached) ? object : nullptr;
  }

  IStream* stream = nullptr;
  bool table = false;
  HRESULT reached = E_FAIL;  // whether the object reached the call's thread
};

// The objects an Invoke hands back, as the result or the out-argument.
struct Handback {
  Handover result;
  Handover out;
};

// An object in `value` leaves this apartment through `handover`; `value` keeps its type without
// the object. An IUnknown is asked for IDispatch here, on the call thread, and leaves as
// VT_DISPATCH; one without IDispatch leaves nothing and turns into the error E_NOINTERFACE.
void MarshalOut(VARIANT& value, Handover& handover) {
  if ((value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN) || value.punkVal == nullptr) return;
  IUnknown* object = value.punkVal;
  value.punkVal = nullptr;
  if (value.vt == VT_UNKNOWN) {
    IUnknown* dispatch = nullptr;
    const HRESULT asked = RetryWhileBusy(
        [&] { return object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)); });
    object->Release();
    if (FAILED(asked) || dispatch == nullptr) {
      value.vt = VT_ERROR;
      value.scode = E_NOINTERFACE;
      return;
    }
    object = dispatch;
    value.vt = VT_DISPATCH;
  }
  handover.Put(object, IID_IDispatch);
  object->Release();
}

void UnmarshalIn(Handover& handover, VARIANT& value) {
  if (value.vt != VT_DISPATCH) return;
  value.pdispVal = static_cast<IDispatch*>(handover.Take(IID_IDispatch));
}

void Invoke(IDispatch& dispatch, DISPID dispatch_id, WORD flags, InvokeFrame& frame) {
  DISPPARAMS parameters{frame.values.empty() ? nullptr : frame.values[0].get(), nullptr,
                        static_cast<UINT>(frame.values.size()), 0};
  // A busy server has not run the call: asking again with the same frame is safe.
  frame.outcome = RetryWhileBusy([&] {
    return dispatch.Invoke(dispatch_id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                           frame.result.Receive(), &frame.exception, &frame.argument_error);
  });
}

// True for a proxy to an object of another apartment or process (COM's proxies answer for
// IMultiQI); an object of this apartment is called directly.
bool IsProxy(IDispatch& dispatch) {
  IUnknown* multi_qi = nullptr;
  if (FAILED(dispatch.QueryInterface(IID_IMultiQI, reinterpret_cast<void**>(&multi_qi))) ||
      multi_qi == nullptr) {
    return false;
  }
  multi_qi->Release();
  return true;
}

}  // namespace

HRESULT RetryWhileBusy(const std::function<HRESULT()>& step) {
  const ULONGLONG start = ::GetTickCount64();
  HRESULT answer = step();
  while (answer == RPC_E_SERVERCALL_RETRYLATER &&
         ::GetTickCount64() - start + kBusyRetryDelayMs <= kBusyRetryLimitMs) {
    ::Sleep(kBusyRetryDelayMs);
    answer = step();
  }
  return answer;
}

InvokeFrame::~InvokeFrame() {
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
}

Handover::~Handover() {
  // Only the stream goes: taking the marshalled reference back would be a call into the server.
  if (stream_ != nullptr) stream_->Release();
}

void Handover::Put(IUnknown* object, REFIID iid) {
  if (stream_ != nullptr || object == nullptr) return;
  if (FAILED(::CoMarshalInterThreadInterfaceInStream(iid, object, &stream_))) stream_ = nullptr;
}

IUnknown* Handover::Take(REFIID iid) {
  if (stream_ == nullptr) return nullptr;
  void* object = nullptr;
  if (FAILED(::CoGetInterfaceAndReleaseStream(stream_, iid, &object))) object = nullptr;
  stream_ = nullptr;
  return static_cast<IUnknown*>(object);
}

bool RunOnCallThread(std::uint32_t limit_ms, std::function<void()> work, HRESULT& reached) {
  reached = S_OK;
  auto call = std::make_shared<Call>();
  call->work = std::move(work);
  call->done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (call->done == nullptr) {
    reached = HRESULT_FROM_WIN32(::GetLastError());
    return true;
  }
  auto* handed = new std::shared_ptr<Call>(call);
  HANDLE thread = ::CreateThread(nullptr, 0, &RunCall, handed, 0, nullptr);
  if (thread == nullptr) {
    delete handed;
    reached = HRESULT_FROM_WIN32(::GetLastError());
    return true;
  }
  ::CloseHandle(thread);
  DWORD index = 0;
  // Only the wait that saw the thread end lets the caller read what the step wrote: after a
  // timeout, and after a wait that failed, the thread may still be writing.
  if (call_wait(limit_ms, call->done, &index) != S_OK || index != 0) {
    ::InterlockedExchange(&abandoned, 1);
    return false;
  }
  return true;
}

bool RunWithin(IDispatch& dispatch, std::uint32_t limit_ms, std::function<void(IDispatch&)> work,
               HRESULT& reached) {
  reached = S_OK;
  if (!IsProxy(dispatch)) {
    work(dispatch);
    return true;
  }
  auto target = std::make_shared<Target>();
  reached = target->Marshal(dispatch);
  if (FAILED(reached)) return true;
  const bool ended = RunOnCallThread(
      limit_ms,
      [target, work = std::move(work)] {
        IDispatch* object = target->Unmarshal();
        if (object == nullptr) return;
        work(*object);
        object->Release();
      },
      reached);
  if (ended && SUCCEEDED(reached)) reached = target->reached;
  return ended;
}

bool InvokeWithin(IDispatch& dispatch, DISPID dispatch_id, WORD flags,
                  const std::shared_ptr<InvokeFrame>& frame, std::uint32_t limit_ms) {
  if (!IsProxy(dispatch)) {
    Invoke(dispatch, dispatch_id, flags, *frame);
    return true;
  }
  auto handback = std::make_shared<Handback>();
  HRESULT reached = S_OK;
  const bool ended = RunWithin(
      dispatch, limit_ms,
      [frame, handback, dispatch_id, flags](IDispatch& object) {
        Invoke(object, dispatch_id, flags, *frame);
        MarshalOut(*frame->result.get(), handback->result);
        MarshalOut(*frame->out_value.get(), handback->out);
      },
      reached);
  if (!ended) return false;
  if (FAILED(reached)) {
    frame->outcome = reached;
    return true;
  }
  UnmarshalIn(handback->result, *frame->result.get());
  UnmarshalIn(handback->out, *frame->out_value.get());
  return true;
}

bool CallAbandoned() { return ::InterlockedCompareExchange(&abandoned, 0, 0) != 0; }

void SetCallWaitForTesting(CallWait wait) { call_wait = wait != nullptr ? wait : &WaitForCall; }

}  // namespace radlyn::platform::win32
