#include "platform/win32/bounded_invoke.h"

// The OLE declarations need the Win32 types above.
#include <ole2.h>

namespace radlyn::platform::win32 {
namespace {

volatile LONG abandoned = 0;

// One bounded piece of work handed to its thread; owned by both sides.
struct Call {
  ~Call() {
    if (dispatch_stream != nullptr) dispatch_stream->Release();
    if (done != nullptr) ::CloseHandle(done);
  }
  std::function<void(IDispatch&)> work;
  IStream* dispatch_stream = nullptr;  // the object, marshalled for the call's thread
  HANDLE done = nullptr;
  HRESULT reached = E_FAIL;  // whether the object reached the call's thread
};

// The objects an Invoke hands back, as the result or the out-argument, marshalled on the call's
// thread for the caller's apartment.
struct Handback {
  ~Handback() {
    if (result != nullptr) result->Release();
    if (out != nullptr) out->Release();
  }
  IStream* result = nullptr;
  IStream* out = nullptr;
};

bool HoldsObject(const VARIANT& value) {
  return (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) && value.punkVal != nullptr;
}

// An object in `value` leaves this apartment as `stream`; `value` keeps its type, without object.
void MarshalOut(VARIANT& value, IStream*& stream) {
  if (!HoldsObject(value)) return;
  const IID& iid = value.vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
  if (FAILED(::CoMarshalInterThreadInterfaceInStream(iid, value.punkVal, &stream)))
    stream = nullptr;
  value.punkVal->Release();
  value.punkVal = nullptr;
}

void UnmarshalIn(IStream*& stream, VARIANT& value) {
  if (stream == nullptr) return;
  const IID& iid = value.vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
  void* object = nullptr;
  if (FAILED(::CoGetInterfaceAndReleaseStream(stream, iid, &object))) object = nullptr;
  stream = nullptr;
  value.punkVal = static_cast<IUnknown*>(object);
}

DWORD WINAPI RunCall(void* parameter) {
  const std::unique_ptr<std::shared_ptr<Call>> handed(
      static_cast<std::shared_ptr<Call>*>(parameter));
  Call& call = **handed;
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  IDispatch* dispatch = nullptr;
  call.reached = ::CoGetInterfaceAndReleaseStream(call.dispatch_stream, IID_IDispatch,
                                                  reinterpret_cast<void**>(&dispatch));
  call.dispatch_stream = nullptr;
  if (SUCCEEDED(call.reached)) {
    call.work(*dispatch);
    dispatch->Release();
  }
  ::CoUninitialize();
  ::SetEvent(call.done);
  return 0;
}

void Invoke(IDispatch& dispatch, DISPID dispatch_id, WORD flags, InvokeFrame& frame) {
  DISPPARAMS parameters{frame.values.empty() ? nullptr : frame.values[0].get(), nullptr,
                        static_cast<UINT>(frame.values.size()), 0};
  frame.outcome = dispatch.Invoke(dispatch_id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                  frame.result.Receive(), &frame.exception, &frame.argument_error);
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

InvokeFrame::~InvokeFrame() {
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
}

bool RunWithin(IDispatch& dispatch, std::uint32_t limit_ms, std::function<void(IDispatch&)> work,
               HRESULT& reached) {
  reached = S_OK;
  if (!IsProxy(dispatch)) {
    work(dispatch);
    return true;
  }
  auto call = std::make_shared<Call>();
  call->work = std::move(work);
  call->done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (call->done == nullptr) {
    reached = HRESULT_FROM_WIN32(::GetLastError());
    return true;
  }
  reached =
      ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, &dispatch, &call->dispatch_stream);
  if (FAILED(reached)) return true;
  auto* handed = new std::shared_ptr<Call>(call);
  HANDLE thread = ::CreateThread(nullptr, 0, &RunCall, handed, 0, nullptr);
  if (thread == nullptr) {
    delete handed;
    reached = HRESULT_FROM_WIN32(::GetLastError());
    return true;
  }
  ::CloseHandle(thread);
  DWORD index = 0;
  HANDLE done = call->done;
  if (::CoWaitForMultipleHandles(0, limit_ms, 1, &done, &index) == RPC_S_CALLPENDING) {
    ::InterlockedExchange(&abandoned, 1);
    return false;
  }
  reached = call->reached;
  return true;
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

}  // namespace radlyn::platform::win32
