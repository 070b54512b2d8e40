#include "platform/win32/bounded_invoke.h"

// The OLE declarations need the Win32 types above.
#include <ole2.h>

namespace radlyn::platform::win32 {
namespace {

volatile LONG abandoned = 0;

// One call handed to its thread; owned by both sides.
struct Call {
  ~Call() {
    if (dispatch_stream != nullptr) dispatch_stream->Release();
    if (result_stream != nullptr) result_stream->Release();
    if (out_stream != nullptr) out_stream->Release();
    if (done != nullptr) ::CloseHandle(done);
  }
  std::shared_ptr<InvokeFrame> frame;
  DISPID dispatch_id = 0;
  WORD flags = 0;
  IStream* dispatch_stream = nullptr;  // the object, marshalled for the call's thread
  IStream* result_stream = nullptr;    // objects handed back, marshalled for the caller
  IStream* out_stream = nullptr;
  HANDLE done = nullptr;
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

DWORD WINAPI MakeCall(void* parameter) {
  const std::unique_ptr<std::shared_ptr<Call>> handed(
      static_cast<std::shared_ptr<Call>*>(parameter));
  Call& call = **handed;
  InvokeFrame& frame = *call.frame;
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  IDispatch* dispatch = nullptr;
  frame.outcome = ::CoGetInterfaceAndReleaseStream(call.dispatch_stream, IID_IDispatch,
                                                   reinterpret_cast<void**>(&dispatch));
  call.dispatch_stream = nullptr;
  if (SUCCEEDED(frame.outcome)) {
    DISPPARAMS parameters{frame.values.empty() ? nullptr : frame.values[0].get(), nullptr,
                          static_cast<UINT>(frame.values.size()), 0};
    frame.outcome =
        dispatch->Invoke(call.dispatch_id, IID_NULL, LOCALE_USER_DEFAULT, call.flags, &parameters,
                         frame.result.Receive(), &frame.exception, &frame.argument_error);
    MarshalOut(*frame.result.get(), call.result_stream);
    MarshalOut(*frame.out_value.get(), call.out_stream);
    dispatch->Release();
  }
  ::CoUninitialize();
  ::SetEvent(call.done);
  return 0;
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

bool InvokeWithin(IDispatch& dispatch, DISPID dispatch_id, WORD flags,
                  const std::shared_ptr<InvokeFrame>& frame, std::uint32_t limit_ms) {
  if (!IsProxy(dispatch)) {
    DISPPARAMS parameters{frame->values.empty() ? nullptr : frame->values[0].get(), nullptr,
                          static_cast<UINT>(frame->values.size()), 0};
    frame->outcome =
        dispatch.Invoke(dispatch_id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                        frame->result.Receive(), &frame->exception, &frame->argument_error);
    return true;
  }
  auto call = std::make_shared<Call>();
  call->frame = frame;
  call->dispatch_id = dispatch_id;
  call->flags = flags;
  call->done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (call->done == nullptr) {
    frame->outcome = HRESULT_FROM_WIN32(::GetLastError());
    return true;
  }
  frame->outcome =
      ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, &dispatch, &call->dispatch_stream);
  if (FAILED(frame->outcome)) return true;
  auto* handed = new std::shared_ptr<Call>(call);
  HANDLE thread = ::CreateThread(nullptr, 0, &MakeCall, handed, 0, nullptr);
  if (thread == nullptr) {
    delete handed;
    frame->outcome = HRESULT_FROM_WIN32(::GetLastError());
    return true;
  }
  ::CloseHandle(thread);
  DWORD index = 0;
  HANDLE done = call->done;
  if (::CoWaitForMultipleHandles(0, limit_ms, 1, &done, &index) == RPC_S_CALLPENDING) {
    ::InterlockedExchange(&abandoned, 1);
    return false;
  }
  UnmarshalIn(call->result_stream, *frame->result.get());
  UnmarshalIn(call->out_stream, *frame->out_value.get());
  return true;
}

bool CallAbandoned() { return ::InterlockedCompareExchange(&abandoned, 0, 0) != 0; }

}  // namespace radlyn::platform::win32
