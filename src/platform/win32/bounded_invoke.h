// Calls into automation servers with a time limit: IDispatch::Invoke, and every other step that
// crosses into a server (finding its running instance, creating an instance, asking an object
// for an interface, reading its type information). COM has no way to end a synchronous call that
// also works under Wine (CoCancelCall is not implemented there, and its modal loop goes on
// waiting after the message filter cancels a call), so the step runs on a thread of its own, the
// call thread, in the multithreaded apartment, while the calling thread waits for it at most
// `limit_ms`, handling its messages as COM's own waits do (CoWaitForMultipleHandles). Only a wait
// that sees the call thread end counts as ended: a timeout and a failed wait alike leave the step
// to itself. The frame of a step (arguments, out-argument, result, exception) belongs to both
// threads: a step given up on may still end, late or never, without touching freed memory.
// Objects a step hands back are marshalled back into the caller's apartment. An object of the
// caller's own apartment (no proxy) is called directly: no other program can hang that call.
//
// The multithreaded apartment has no message filter, so a server's "busy, retry later" answer
// (RPC_E_SERVERCALL_RETRYLATER) reaches the step itself: the step asks again every
// kBusyRetryDelayMs for up to kBusyRetryLimitMs, within its limit. A rejection
// (RPC_E_CALL_REJECTED) fails at once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/win32/com_text.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform::win32 {

inline constexpr DWORD kBusyRetryDelayMs = 100;
inline constexpr DWORD kBusyRetryLimitMs = 60'000;

// `step` once, and again while it answers RPC_E_SERVERCALL_RETRYLATER, as long as the retries
// last no longer than kBusyRetryLimitMs; its last answer.
HRESULT RetryWhileBusy(const std::function<HRESULT()>& step);

struct InvokeFrame {
  explicit InvokeFrame(std::size_t count) : values(count) {}
  ~InvokeFrame();
  InvokeFrame(const InvokeFrame&) = delete;
  InvokeFrame& operator=(const InvokeFrame&) = delete;

  std::vector<Variant> values;  // the arguments in DISPPARAMS order (last first)
  Variant out_value;            // what a by-reference argument refers to
  Variant result;
  EXCEPINFO exception{};
  UINT argument_error = 0;
  HRESULT outcome = E_FAIL;
};

// Runs `work` on a call thread. False when it has not ended within `limit_ms` or the wait for it
// failed: it is then left to itself, so whatever it writes to must be owned by `work` itself
// (captured shared state), not by the caller's frame. `reached` is the failure that kept `work`
// from running at all (no thread), else S_OK.
bool RunOnCallThread(std::uint32_t limit_ms, std::function<void()> work, HRESULT& reached);

// Runs `work` with the object (on a call thread, when the object is a proxy), as
// RunOnCallThread; `reached` is also the failure to hand the object to that thread.
bool RunWithin(IDispatch& dispatch, std::uint32_t limit_ms, std::function<void(IDispatch&)> work,
               HRESULT& reached);

// False when the call has not ended within `limit_ms` (it is then left to itself); otherwise the
// frame holds its outcome (a failure to make the call at all included). An object handed back as
// IUnknown is asked for IDispatch on the call thread, and arrives as VT_DISPATCH when it has one.
bool InvokeWithin(IDispatch& dispatch, DISPID dispatch_id, WORD flags,
                  const std::shared_ptr<InvokeFrame>& frame, std::uint32_t limit_ms);

// One object on its way from a call thread to the caller's apartment. The call thread puts the
// object in (Put: marshals it); once the step has ended, the caller takes it out (Take: an
// IDispatch of its own apartment, null when none was put or it cannot be unmarshalled). What is
// never taken is let go with the hand-over.
class Handover {
 public:
  Handover() = default;
  Handover(const Handover&) = delete;
  Handover& operator=(const Handover&) = delete;
  ~Handover();
  void Put(IUnknown* object, REFIID iid);
  IUnknown* Take(REFIID iid);

 private:
  IStream* stream_ = nullptr;
};

// True once a call of this process has been given up on. Shutting COM down would then wait for
// it (the apartment lets go of its proxies), and so for the hung server: the process ends without.
bool CallAbandoned();

// For tests: the wait for a call thread, in place of CoWaitForMultipleHandles (null: that again).
using CallWait = HRESULT (*)(DWORD limit_ms, HANDLE done, DWORD* index);
void SetCallWaitForTesting(CallWait wait);

}  // namespace radlyn::platform::win32
