// Late-bound automation: objects of other programs reached by calls by dispatch identifier.
//
// A class is named by its programmatic name (ProgID). The service answers whether a class is
// registered, looks up the instance that is already running, and creates new instances. An
// AutomationObject is one reference to an object; destroying it releases the reference.
//
// A call names a dispatch id, a kind (method or property read), its ordered input arguments and
// the result type the caller expects. A property read is sent as both kinds at once (kind 3, as
// VB and script clients send it), so that a member its server declares as a method answers it
// too; the result is converted to that type where a conversion
// exists (number to text and back). Out-arguments the object hands back (such as a new object)
// arrive in `out_arguments`, in order; each is passed in the form the object declares for it (an
// object reference or a VARIANT on Windows). Texts are program texts (ANSI) on this side.
//
// A call that the object rejects, that cannot be delivered, or whose result does not convert
// throws AutomationError: callers let it travel up unless they mean to handle it.
//
// Every call is bounded: one that has not answered within AutomationCallLimitMs() is cancelled
// and throws AutomationTimeout (an AutomationError). The server is then taken for hung: the
// object and every object it handed out are let go without a word to the server, which would
// only hang again. A server that answers "busy, retry later" is asked again every 100 ms for up
// to 60 s, within the limit.
//
// The steps before the first call, per platform:
// - Windows: the running-instance lookup (GetActiveObject), the creation of an instance in a
//   server program (CoCreateInstance and the hand-over of the object), and the request for the
//   automation interface after either (with the release of the plain reference) each run under
//   the same limit as a call; one that outlives it throws AutomationTimeout naming the step, and
//   nothing of that server is released afterwards. So do the reading of an object's type
//   information before a call and the request for the automation interface of an object a call
//   hands back, as parts of that call. A class served inside this program (an in-process server) is
//   created directly, as its calls are made. Releasing an object of a server not taken for hung is
//   not bounded: it is made on the thread that holds the object.
// - Linux (posix/automation_sdbus.cc): a class is a well-known name on the D-Bus session bus,
//   served by a program that speaks the interface "org.radlyn.Dispatch1" described there. The
//   lookup, the start of the service and the creation are bus calls bounded by the bus's own
//   reply timeout (25 s); one that lapses answers "not running" or no instance, and never
//   throws. There is no separate request for an interface: every object is callable. A release
//   is a bus call with the same timeout, and none is sent to a server taken for hung.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "platform/service.h"

namespace radlyn::platform {

class AutomationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A call the object did not answer within the limit; `limit_ms` is the limit it had. `step` names
// the step of finding or creating an instance that hung ("GetActiveObject", "CreateInstance",
// "QueryInterface", "Release"); it is empty for a call of an object, which its caller names.
class AutomationTimeout : public AutomationError {
 public:
  AutomationTimeout(const std::string& call, std::uint32_t limit_ms, std::string step = {})
      : AutomationError(call + " did not answer within " + std::to_string(limit_ms) + " ms"),
        limit_ms_(limit_ms),
        step_(std::move(step)) {}
  std::uint32_t limit_ms() const { return limit_ms_; }
  const std::string& step() const { return step_; }

 private:
  std::uint32_t limit_ms_;
  std::string step_;
};

// How long one call may take: kAutomationCallLimitMs, or the milliseconds that the environment
// variable RADLYN_CALL_LIMIT_MS names (1 or more; for tests and for a site whose server is known
// to be slow). Read at every call.
inline constexpr std::uint32_t kAutomationCallLimitMs = 120'000;
std::uint32_t AutomationCallLimitMs();

// The kinds as bits: 1 method, 2 property read; a property read carries both.
enum class InvokeKind : std::uint32_t { kMethod = 1, kPropertyGet = 3 };
enum class ResultType { kNone, kInt32, kText, kObject };

class AutomationObject;

using AutomationArgument = std::variant<std::int32_t, std::string>;
// Empty (std::monostate) for ResultType::kNone; a null object pointer for "no object".
using AutomationResult =
    std::variant<std::monostate, std::int32_t, std::string, std::unique_ptr<AutomationObject>>;

class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  virtual AutomationResult Invoke(std::int32_t dispatch_id, InvokeKind kind,
                                  const std::vector<AutomationArgument>& arguments,
                                  ResultType result_type,
                                  std::vector<AutomationResult>* out_arguments = nullptr) = 0;
};

// The answer of a running-instance lookup.
struct RunningInstance {
  bool running = false;  // an instance of the class is running
  bool refused = false;  // it is, but the request for its automation interface failed
  // Its automation interface; null when refused, and null too when the request succeeded
  // without handing out an object.
  std::unique_ptr<AutomationObject> object;
};

class Automation {
 public:
  virtual ~Automation() = default;
  // True when the programmatic name names a registered (or startable) class.
  virtual bool IsClassRegistered(std::string_view prog_id) = 0;
  virtual RunningInstance FindRunningInstance(std::string_view prog_id) = 0;
  // A new instance, the class's server started when needed; null when that fails.
  virtual std::unique_ptr<AutomationObject> CreateInstance(std::string_view prog_id) = 0;

  static Automation& Native();
};

inline Automation& GetAutomation() { return Service<Automation>::Get(); }

// The value of a result of a known type; AutomationError when it holds something else.
inline std::int32_t ResultAsInt(AutomationResult& result) {
  if (auto* value = std::get_if<std::int32_t>(&result)) return *value;
  throw AutomationError("automation result is not a number");
}
inline std::string ResultAsText(AutomationResult& result) {
  if (auto* value = std::get_if<std::string>(&result)) return std::move(*value);
  throw AutomationError("automation result is not a text");
}
inline std::unique_ptr<AutomationObject> ResultAsObject(AutomationResult& result) {
  if (auto* value = std::get_if<std::unique_ptr<AutomationObject>>(&result)) {
    return std::move(*value);
  }
  throw AutomationError("automation result is not an object");
}

}  // namespace radlyn::platform
