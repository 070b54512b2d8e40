// Calls into an automation object with a time limit: IDispatch::Invoke, and any other work on the
// object (the queries of its type information that come before a call cross into the server
// too). COM has no way to end a synchronous call that also works
// under Wine (CoCancelCall is not implemented there, and its modal loop goes on waiting after the
// message filter cancels a call), so the call is made on a thread of its own, in the
// multithreaded apartment, while the calling thread waits for it at most `limit_ms`, handling its
// messages as COM's own waits do (CoWaitForMultipleHandles). The frame of the call (arguments,
// out-argument, result, exception) belongs to both threads: a call given up on may still end,
// late or never, without touching freed memory. Objects the call hands back, as the result or the
// out-argument, are marshalled back into the caller's apartment. An object of the caller's own
// apartment (no proxy) is called directly: no other program can hang that call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/win32/com_text.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform::win32 {

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

// Runs `work` with the object (on the call's thread, when the object is a proxy). False when it
// has not ended within `limit_ms`: it is then left to itself, so whatever it writes to must be
// owned by `work` itself (captured shared state), not by the caller's frame. `reached` is the
// failure that kept `work` from running at all, else S_OK.
bool RunWithin(IDispatch& dispatch, std::uint32_t limit_ms, std::function<void(IDispatch&)> work,
               HRESULT& reached);

// False when the call has not ended within `limit_ms` (it is then left to itself); otherwise the
// frame holds its outcome (a failure to make the call at all included).
bool InvokeWithin(IDispatch& dispatch, DISPID dispatch_id, WORD flags,
                  const std::shared_ptr<InvokeFrame>& frame, std::uint32_t limit_ms);

// True once a call of this process has been given up on. Shutting COM down would then wait for
// it (the apartment lets go of its proxies), and so for the hung server: the process ends without.
bool CallAbandoned();

}  // namespace radlyn::platform::win32
