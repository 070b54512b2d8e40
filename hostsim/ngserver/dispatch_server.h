// A small automation server: a class that hands out instances, and objects that answer calls by
// dispatch id and are released. One implementation per system:
//
// Linux (dispatch_server_posix.cc): on the D-Bus session bus, speaking radlyn's automation
// protocol (see src/platform/posix/automation_sdbus.cc): a class object at /org/radlyn/Dispatch1
// that hands out instances (CreateInstance, GetActiveObject) and objects that answer Invoke and
// Release. The server owns the bus name for its class; without live objects (and without a running
// instance of its own) it ends after a short idle time, and it ends when the bus goes away.
//
// Windows (dispatch_server_win32.cc): an out-of-process COM server. Its class factory is
// registered with CoRegisterClassObject; every object is an IDispatch that dispatches through
// type information made from its declaration (CreateDispTypeInfo, DispInvoke), as real servers
// do: oleaut32 checks the kind of every call and the type of every argument, so a by-reference
// out-argument of another type than the declared one is rejected with DISP_E_TYPEMISMATCH before
// the object sees the call. Objects arrive as IDispatch. A running instance goes into the
// running-object table (RegisterActiveObject). The server ends when its last object is released, or
// when it has handed out none a short idle time after it started.
//
// Objects are reference counted per reference handed out; the last release removes an object.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace hostsim {

struct ObjectRef {
  std::string path;  // "/" for no object
};
using DispatchValue = std::variant<std::int32_t, std::string, ObjectRef>;

struct DispatchReply {
  DispatchValue result = std::int32_t{0};
  std::vector<DispatchValue> out_arguments;
  // Set: the call is rejected with this D-Bus error name and message.
  std::optional<std::string> error_name;
  std::string error_message;
};

class DispatchServer;

inline constexpr std::uint32_t kInvokeMethod = 1;
inline constexpr std::uint32_t kInvokePropertyGet = 2;

// How a member declares its out-argument: an object ([out] IDispatch**) or a VARIANT
// ([out] VARIANT*). Only COM carries the difference; on the bus out-arguments are not sent.
enum class OutForm { kNone, kObject, kVariant };

// One member as its object declares it. `answers` holds the kinds of call it answers: its own
// kind for a strict server (a type-driven one), both kinds for a lenient one.
struct DispatchMember {
  std::int32_t dispatch_id;
  std::uint32_t kind;  // kInvokeMethod or kInvokePropertyGet
  const char* name;
  std::uint32_t answers;
  OutForm out = OutForm::kNone;
};

struct DispatchDeclaration {
  std::vector<DispatchMember> members;
  // False: the object gives out no type information (it still dispatches through its own).
  bool type_info = true;
};

class DispatchObject {
 public:
  virtual ~DispatchObject() = default;
  // The object's members and their declared kinds, read afresh from its switches.
  virtual DispatchDeclaration Declare() const = 0;
  // `kind` holds the bits of the call's kind (a property read from radlyn carries both).
  virtual DispatchReply Invoke(DispatchServer& server, std::int32_t dispatch_id, std::uint32_t kind,
                               const std::vector<DispatchValue>& arguments) = 0;
  // A caller asks for the object's type information ("GetTypeInfo") or its IDispatch
  // ("QueryInterface") (Windows, before it hands it out); an object switched to hang there never
  // returns.
  virtual void Asked(const char* /*request*/) {}
};

inline constexpr const char* kErrorMemberNotFound = "org.radlyn.Dispatch1.Error.MemberNotFound";
inline constexpr const char* kErrorRejected = "org.radlyn.Dispatch1.Error.Rejected";

class DispatchServer {
 public:
  using InstanceFactory = std::function<std::unique_ptr<DispatchObject>()>;
  // Hears the class object's calls and releases: event name, its argument (empty: none) and its
  // result, e.g. ("Release", "/Login/2", "0").
  using EventLog = std::function<void(const std::string& event, const std::string& argument,
                                      const std::string& result)>;

  // `class_name` is the bus name to own; `factory` makes the objects CreateInstance hands out;
  // `log` hears about instance creation and releases.
  DispatchServer(std::string class_name, InstanceFactory factory, EventLog log);
  ~DispatchServer();

  // Connects, takes the bus name and serves until idle or disconnected. With `running`, an
  // instance is made at once and offered by GetActiveObject (a server its user started).
  // Answers the program's exit code; `ready` is called once the name is owned.
  int Serve(bool running, const std::function<void()>& ready);

  // Adds an object and answers its path; the caller's reply hands out the first reference.
  ObjectRef Add(std::unique_ptr<DispatchObject> object, const std::string& kind);

  // Windows: for `ms` after the first call reaches it, the server answers every call "busy,
  // retry later" (its message filter's SERVERCALL_RETRYLATER), logging "Busy" once. Not on Linux.
  void SetBusySpell(int ms) { busy_ms_ = ms; }

  // Internal (Linux): the sd-bus message handler.
  int Handle(void* message, void* error);

 private:
  friend class ComDispatch;  // Windows: one object's IDispatch
  friend class ComClass;     // Windows: the class factory and the server's lifetime

  struct Entry {
    std::unique_ptr<DispatchObject> object;
    int references = 1;
    std::shared_ptr<void> native;  // Windows: the object's IDispatch, once handed out
  };

  std::string class_name_;
  InstanceFactory factory_;
  EventLog log_;
  void* native_ = nullptr;  // the bus connection (Linux), the COM registration (Windows)
  std::map<std::string, Entry> objects_;
  std::string active_path_;
  std::uint32_t next_id_ = 1;
  int busy_ms_ = 0;
};

}  // namespace hostsim
