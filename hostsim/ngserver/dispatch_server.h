// A small automation server on the D-Bus session bus, speaking radlyn's automation protocol (see
// src/platform/posix/automation_sdbus.cc): a class object at /org/radlyn/Dispatch1 that hands out
// instances (CreateInstance, GetActiveObject) and objects that answer Invoke and Release.
//
// Objects are reference counted per reference handed out; the last Release removes an object.
// The server owns the bus name for its class; without live objects (and without a running
// instance of its own) it ends after a short idle time, and it ends when the bus goes away.
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

class DispatchObject {
 public:
  virtual ~DispatchObject() = default;
  virtual DispatchReply Invoke(DispatchServer& server, std::int32_t dispatch_id, std::uint32_t kind,
                               const std::vector<DispatchValue>& arguments) = 0;
};

inline constexpr std::uint32_t kInvokeMethod = 1;
inline constexpr std::uint32_t kInvokePropertyGet = 2;
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

  // Internal: the sd-bus message handler.
  int Handle(void* message, void* error);

 private:
  struct Entry {
    std::unique_ptr<DispatchObject> object;
    int references = 1;
  };

  std::string class_name_;
  InstanceFactory factory_;
  EventLog log_;
  void* bus_ = nullptr;
  std::map<std::string, Entry> objects_;
  std::string active_path_;
  std::uint32_t next_id_ = 1;
};

}  // namespace hostsim
