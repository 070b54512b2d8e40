#include <systemd/sd-bus.h>

#include <cstdlib>
#include <string_view>

#include "ngserver/dispatch_server.h"
#include "platform/posix/automation_protocol.h"

namespace hostsim {
namespace {

using namespace radlyn::platform::automation_protocol;

constexpr std::uint64_t kIdleMicroseconds = 5'000'000;

sd_bus* Bus(void* bus) { return static_cast<sd_bus*>(bus); }

int HandleMessage(sd_bus_message* message, void* userdata, sd_bus_error* error) {
  return static_cast<DispatchServer*>(userdata)->Handle(message, error);
}

// A bus connection for the server: the bus that started it by activation, else the session bus.
sd_bus* Connect() {
  sd_bus* bus = nullptr;
  const char* starter = std::getenv("DBUS_STARTER_ADDRESS");
  if (starter != nullptr && *starter != '\0') {
    if (sd_bus_new(&bus) < 0) return nullptr;
    if (sd_bus_set_address(bus, starter) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
        sd_bus_start(bus) < 0) {
      sd_bus_unref(bus);
      return nullptr;
    }
    return bus;
  }
  return sd_bus_open_user(&bus) < 0 ? nullptr : bus;
}

int AppendValue(sd_bus_message* reply, const DispatchValue& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) {
    return sd_bus_message_append(reply, "v", "i", *number);
  }
  if (const auto* text = std::get_if<std::string>(&value)) {
    return sd_bus_message_append(reply, "v", "s", text->c_str());
  }
  return sd_bus_message_append(reply, "v", "o", std::get<ObjectRef>(value).path.c_str());
}

// Reads the av argument array; false on anything but "i" and "s" values.
bool ReadArguments(sd_bus_message* message, std::vector<DispatchValue>& arguments) {
  if (sd_bus_message_enter_container(message, 'a', "v") < 0) return false;
  while (sd_bus_message_at_end(message, false) == 0) {
    char type = 0;
    const char* contents = nullptr;
    if (sd_bus_message_peek_type(message, &type, &contents) < 0 || contents == nullptr) {
      return false;
    }
    const std::string_view signature = contents;
    if (sd_bus_message_enter_container(message, 'v', contents) < 0) return false;
    if (signature == "i") {
      std::int32_t number = 0;
      if (sd_bus_message_read(message, "i", &number) < 0) return false;
      arguments.emplace_back(number);
    } else if (signature == "s") {
      const char* text = nullptr;
      if (sd_bus_message_read(message, "s", &text) < 0) return false;
      arguments.emplace_back(std::string(text != nullptr ? text : ""));
    } else {
      return false;
    }
    if (sd_bus_message_exit_container(message) < 0) return false;
  }
  return sd_bus_message_exit_container(message) >= 0;
}

}  // namespace

DispatchServer::DispatchServer(std::string class_name, InstanceFactory factory, EventLog log)
    : class_name_(std::move(class_name)), factory_(std::move(factory)), log_(std::move(log)) {}

DispatchServer::~DispatchServer() {
  objects_.clear();
  if (native_ != nullptr) sd_bus_flush_close_unref(Bus(native_));
}

ObjectRef DispatchServer::Add(std::unique_ptr<DispatchObject> object, const std::string& kind) {
  std::string path = "/" + kind + "/" + std::to_string(next_id_++);
  objects_[path] = Entry{std::move(object), 1, nullptr};
  return ObjectRef{path};
}

int DispatchServer::Serve(bool running, const std::function<void()>& ready) {
  sd_bus* bus = Connect();
  if (bus == nullptr) return 2;
  native_ = bus;
  if (sd_bus_add_fallback(bus, nullptr, "/", HandleMessage, this) < 0) return 2;
  if (sd_bus_request_name(bus, class_name_.c_str(), 0) < 0) return 3;
  if (running) {
    active_path_ = Add(factory_(), "Instance").path;
    log_("Running", "", active_path_);
  }
  if (ready) ready();

  for (;;) {
    const int processed = sd_bus_process(bus, nullptr);
    if (processed < 0) return 0;  // disconnected: the bus is gone
    if (processed > 0) continue;
    const bool idle = objects_.empty();
    const int waited = sd_bus_wait(bus, idle ? kIdleMicroseconds : UINT64_MAX);
    if (waited < 0) return 0;
    if (waited == 0 && objects_.empty()) return 0;
  }
}

int DispatchServer::Handle(void* raw_message, void* raw_error) {
  auto* message = static_cast<sd_bus_message*>(raw_message);
  auto* error = static_cast<sd_bus_error*>(raw_error);
  const char* object_path = sd_bus_message_get_path(message);
  if (object_path == nullptr) return 0;
  const std::string_view path = object_path;
  const char* interface = sd_bus_message_get_interface(message);
  const char* member = sd_bus_message_get_member(message);
  if (interface == nullptr || member == nullptr) return 0;
  const std::string_view iface = interface;
  const std::string_view name = member;

  if (path == kClassPath && iface == kClassInterface) {
    if (name == "CreateInstance") {
      const std::string made = Add(factory_(), "Instance").path;
      log_("CreateInstance", "", made);
      return sd_bus_reply_method_return(message, "o", made.c_str());
    }
    if (name == "GetActiveObject") {
      auto found = objects_.find(active_path_);
      if (active_path_.empty() || found == objects_.end()) {
        log_("GetActiveObject", "", "none");
        return sd_bus_reply_method_errorf(message, kNotRunning, "no running instance");
      }
      ++found->second.references;
      log_("GetActiveObject", "", active_path_);
      return sd_bus_reply_method_return(message, "o", active_path_.c_str());
    }
    return 0;
  }
  if (iface != kObjectInterface) return 0;
  auto found = objects_.find(std::string(path));
  if (found == objects_.end()) {
    return sd_bus_error_setf(error, "org.freedesktop.DBus.Error.UnknownObject", "no object at %s",
                             std::string(path).c_str());
  }

  if (name == "Release") {
    const int left = --found->second.references;
    log_("Release", std::string(path), std::to_string(left));
    if (left <= 0) objects_.erase(found);
    return sd_bus_reply_method_return(message, "");
  }
  if (name != "Invoke") return 0;

  std::int32_t dispatch_id = 0;
  std::uint32_t kind = 0;
  std::vector<DispatchValue> arguments;
  if (sd_bus_message_read(message, "iu", &dispatch_id, &kind) < 0 ||
      !ReadArguments(message, arguments)) {
    return sd_bus_error_set(error, "org.freedesktop.DBus.Error.InvalidArgs",
                            "Invoke takes (i dispatch_id, u kind, av arguments)");
  }
  // The object may add objects while it answers; keep it alive by its own pointer.
  DispatchObject* object = found->second.object.get();
  DispatchReply answer = object->Invoke(*this, dispatch_id, kind, arguments);
  if (answer.error_name) {
    return sd_bus_reply_method_errorf(message, answer.error_name->c_str(), "%s",
                                      answer.error_message.c_str());
  }

  sd_bus_message* reply = nullptr;
  int r = sd_bus_message_new_method_return(message, &reply);
  if (r < 0) return r;
  r = AppendValue(reply, answer.result);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "v");
  for (const DispatchValue& value : answer.out_arguments) {
    if (r >= 0) r = AppendValue(reply, value);
  }
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r < 0 ? r : 1;
}

}  // namespace hostsim
