// Automation on Linux: classes are services on the D-Bus session bus, reached through sd-bus.
//
// The protocol an automation server speaks (hostsim/ngserver serves it too):
// - The class's programmatic name is a well-known bus name (e.g. "MORLUNDNG.PluginServer"). The
//   class is registered when the name has an owner or is activatable (a .service file).
// - The class object at kClassPath, interface kClassInterface:
//     CreateInstance() -> o        a new instance; the caller holds one reference to it
//     GetActiveObject() -> o       the instance registered as running (the program was started
//                                  by its user, not by activation); the error kNotRunning when
//                                  there is none, the path "/" when the running instance hands
//                                  out no object. The caller holds one reference.
// - Every object, interface kObjectInterface:
//     Invoke(i dispatch_id, u kind, av arguments) -> (v result, av out_arguments)
//         kind: bit 1 = method, bit 2 = property read; radlyn sends 1 for a method call and 3
//         for a property read (as Windows clients send DISPATCH_METHOD | DISPATCH_PROPERTYGET),
//         and a server answers a member whose declared kind is among the bits. Arguments are
//         "i" or "s" in order (an out-argument is not sent: its form is the server's); the result
//         is "i", "s" or "o" (the path "/" = no object); out-arguments likewise. Objects handed out
//         are references the caller owns.
//     Release()                    gives up one reference.
//   A rejected call answers a D-Bus error; radlyn turns it into AutomationError.
// - Each Invoke waits at most AutomationCallLimitMs() for its reply (sd-bus's call timeout); a
//   server that lets it pass is taken for hung, and none of its objects is released any more.
//   The bus's own calls, GetActiveObject, CreateInstance (with the service's start) and Release
//   keep sd-bus's default reply timeout (25 s); a lookup or creation that lapses answers "not
//   running" or no instance, as any failed one does.
// - The session bus comes from DBUS_SESSION_BUS_ADDRESS (else the user's bus). Without a bus,
//   no class is registered and nothing can be created.
// Texts travel as UTF-8 and are converted from and to the program's ANSI texts here.
#include <systemd/sd-bus.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "platform/automation.h"
#include "platform/code_page.h"
#include "platform/posix/automation_protocol.h"

namespace radlyn::platform {
namespace {

using namespace radlyn::platform::automation_protocol;

constexpr const char* kBusName = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";
constexpr const char* kBusInterface = "org.freedesktop.DBus";

using Connection = std::shared_ptr<sd_bus>;

struct MessageDeleter {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Message = std::unique_ptr<sd_bus_message, MessageDeleter>;

// An sd_bus_error that frees itself.
struct BusError {
  // All fields empty, as SD_BUS_ERROR_NULL spells it (a C compound literal, which clang warns of
  // in C++).
  sd_bus_error error{};
  ~BusError() { sd_bus_error_free(&error); }
  std::string Describe(int code) const {
    if (sd_bus_error_is_set(&error)) {
      return std::string(error.name) + ": " + (error.message ? error.message : "");
    }
    return "D-Bus failure " + std::to_string(-code);
  }
};

Connection OpenSessionBus() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return nullptr;
  return Connection(bus, [](sd_bus* b) { sd_bus_flush_close_unref(b); });
}

bool NameHasOwner(const Connection& bus, const std::string& name) {
  BusError error;
  sd_bus_message* reply = nullptr;
  if (sd_bus_call_method(bus.get(), kBusName, kBusPath, kBusInterface, "NameHasOwner", &error.error,
                         &reply, "s", name.c_str()) < 0) {
    return false;
  }
  Message owned(reply);
  int has_owner = 0;
  return sd_bus_message_read(reply, "b", &has_owner) >= 0 && has_owner != 0;
}

std::string GetNameOwner(const Connection& bus, const std::string& name) {
  BusError error;
  sd_bus_message* reply = nullptr;
  if (sd_bus_call_method(bus.get(), kBusName, kBusPath, kBusInterface, "GetNameOwner", &error.error,
                         &reply, "s", name.c_str()) < 0) {
    return {};
  }
  Message owned(reply);
  const char* owner = nullptr;
  if (sd_bus_message_read(reply, "s", &owner) < 0 || owner == nullptr) return {};
  return owner;
}

bool IsActivatable(const Connection& bus, const std::string& name) {
  BusError error;
  sd_bus_message* reply = nullptr;
  if (sd_bus_call_method(bus.get(), kBusName, kBusPath, kBusInterface, "ListActivatableNames",
                         &error.error, &reply, "") < 0) {
    return false;
  }
  Message owned(reply);
  char** names = nullptr;
  if (sd_bus_message_read_strv(reply, &names) < 0 || names == nullptr) return false;
  bool found = false;
  for (char** entry = names; *entry != nullptr; ++entry) {
    if (name == *entry) found = true;
    free(*entry);
  }
  free(names);
  return found;
}

bool StartService(const Connection& bus, const std::string& name) {
  BusError error;
  sd_bus_message* reply = nullptr;
  if (sd_bus_call_method(bus.get(), kBusName, kBusPath, kBusInterface, "StartServiceByName",
                         &error.error, &reply, "su", name.c_str(), 0u) < 0) {
    return false;
  }
  sd_bus_message_unref(reply);
  return true;
}

// Set once a call to a server has outlived its limit; shared by all objects of that server.
using HungFlag = std::shared_ptr<bool>;

class SdBusObject final : public AutomationObject {
 public:
  SdBusObject(Connection bus, std::string destination, std::string path,
              HungFlag hung = std::make_shared<bool>(false))
      : bus_(std::move(bus)),
        destination_(std::move(destination)),
        path_(std::move(path)),
        hung_(std::move(hung)) {}

  ~SdBusObject() override {
    // A hung server would keep the release waiting as long as the call that hung.
    if (*hung_) return;
    // Releasing never fails the caller: a server that is gone has nothing left to release.
    BusError error;
    sd_bus_call_method(bus_.get(), destination_.c_str(), path_.c_str(), kObjectInterface, "Release",
                       &error.error, nullptr, "");
  }

  AutomationResult Invoke(std::int32_t dispatch_id, InvokeKind kind,
                          const std::vector<AutomationArgument>& arguments, ResultType result_type,
                          std::vector<AutomationResult>* out_arguments) override {
    sd_bus_message* raw = nullptr;
    Check(sd_bus_message_new_method_call(bus_.get(), &raw, destination_.c_str(), path_.c_str(),
                                         kObjectInterface, "Invoke"),
          "building a call");
    Message call(raw);
    Check(sd_bus_message_append(raw, "iu", dispatch_id, static_cast<std::uint32_t>(kind)),
          "building a call");
    Check(sd_bus_message_open_container(raw, 'a', "v"), "building a call");
    for (const AutomationArgument& argument : arguments) {
      if (const auto* number = std::get_if<std::int32_t>(&argument)) {
        Check(sd_bus_message_append(raw, "v", "i", *number), "building a call");
      } else {
        const std::string text = GetCodePages().AnsiToUtf8(std::get<std::string>(argument));
        Check(sd_bus_message_append(raw, "v", "s", text.c_str()), "building a call");
      }
    }
    Check(sd_bus_message_close_container(raw), "building a call");

    BusError error;
    sd_bus_message* reply_raw = nullptr;
    const std::uint32_t limit_ms = AutomationCallLimitMs();
    const auto start = std::chrono::steady_clock::now();
    const int sent =
        sd_bus_call(bus_.get(), raw, std::uint64_t{limit_ms} * 1000, &error.error, &reply_raw);
    // sd-bus answers -ETIMEDOUT both for its own timeout and for a server that left the bus
    // without replying; only the first has used up (nearly all of) the limit.
    if (sent == -ETIMEDOUT &&
        std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(limit_ms) * 9 / 10) {
      *hung_ = true;
      throw AutomationTimeout("automation call " + std::to_string(dispatch_id) + " on " + path_,
                              limit_ms);
    }
    if (sent < 0) {
      throw AutomationError("automation call " + std::to_string(dispatch_id) + " on " + path_ +
                            " failed: " + error.Describe(sent));
    }
    Message reply(reply_raw);
    AutomationResult result = ReadValue(reply_raw, result_type);
    Check(sd_bus_message_enter_container(reply_raw, 'a', "v"), "reading a reply");
    while (sd_bus_message_at_end(reply_raw, false) == 0) {
      AutomationResult out = ReadValue(reply_raw, ResultType::kObject, /*as_sent=*/true);
      if (out_arguments != nullptr) out_arguments->push_back(std::move(out));
    }
    Check(sd_bus_message_exit_container(reply_raw), "reading a reply");
    return result;
  }

 private:
  static void Check(int code, const char* what) {
    if (code < 0) {
      throw AutomationError(std::string("automation: ") + what + " failed (" +
                            std::to_string(-code) + ")");
    }
  }

  // Reads one variant and converts it to `type`; with `as_sent`, keeps the type it came in.
  AutomationResult ReadValue(sd_bus_message* reply, ResultType type, bool as_sent = false) {
    char kind = 0;
    const char* contents = nullptr;
    Check(sd_bus_message_peek_type(reply, &kind, &contents), "reading a reply");
    if (kind != SD_BUS_TYPE_VARIANT || contents == nullptr) {
      throw AutomationError("automation: reply is not a value");
    }
    const std::string signature = contents;
    Check(sd_bus_message_enter_container(reply, SD_BUS_TYPE_VARIANT, contents), "reading a reply");
    AutomationResult value;
    if (signature == "i") {
      std::int32_t number = 0;
      Check(sd_bus_message_read(reply, "i", &number), "reading a reply");
      value = number;
    } else if (signature == "s") {
      const char* text = nullptr;
      Check(sd_bus_message_read(reply, "s", &text), "reading a reply");
      value = GetCodePages().Utf8ToAnsi(text != nullptr ? text : "");
    } else if (signature == "o") {
      const char* path = nullptr;
      Check(sd_bus_message_read(reply, "o", &path), "reading a reply");
      if (path != nullptr && std::string_view(path) != kNoObjectPath) {
        value = std::unique_ptr<AutomationObject>(
            std::make_unique<SdBusObject>(bus_, destination_, path, hung_));
      } else {
        value = std::unique_ptr<AutomationObject>();
      }
    } else {
      Check(sd_bus_message_skip(reply, contents), "reading a reply");
      throw AutomationError("automation: unexpected value of type " + signature);
    }
    Check(sd_bus_message_exit_container(reply), "reading a reply");
    if (as_sent) return value;
    return Convert(std::move(value), type);
  }

  static AutomationResult Convert(AutomationResult value, ResultType type) {
    switch (type) {
      case ResultType::kNone:
        return std::monostate{};
      case ResultType::kInt32:
        if (std::holds_alternative<std::int32_t>(value)) return value;
        if (const auto* text = std::get_if<std::string>(&value)) {
          std::size_t used = 0;
          try {
            const long long number = std::stoll(*text, &used, 10);
            if (used == text->size() && number >= INT32_MIN && number <= INT32_MAX) {
              return static_cast<std::int32_t>(number);
            }
          } catch (const std::exception&) {
          }
        }
        break;
      case ResultType::kText:
        if (std::holds_alternative<std::string>(value)) return value;
        if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_string(*number);
        break;
      case ResultType::kObject:
        if (std::holds_alternative<std::unique_ptr<AutomationObject>>(value)) return value;
        break;
    }
    throw AutomationError("automation: result type mismatch");
  }

  Connection bus_;
  std::string destination_;
  std::string path_;
  HungFlag hung_;
};

class SdBusAutomation final : public Automation {
 public:
  bool IsClassRegistered(std::string_view prog_id) override {
    const Connection bus = Bus();
    if (!bus) return false;
    const std::string name(prog_id);
    return NameHasOwner(bus, name) || IsActivatable(bus, name);
  }

  RunningInstance FindRunningInstance(std::string_view prog_id) override {
    RunningInstance instance;
    const Connection bus = Bus();
    if (!bus) return instance;
    const std::string owner = GetNameOwner(bus, std::string(prog_id));
    if (owner.empty()) return instance;
    BusError error;
    sd_bus_message* reply = nullptr;
    const int code = sd_bus_call_method(bus.get(), owner.c_str(), kClassPath, kClassInterface,
                                        "GetActiveObject", &error.error, &reply, "");
    if (code < 0) {
      // A server started by activation has no running instance of its own to offer; any other
      // error is a running instance that refuses its interface.
      instance.running = !sd_bus_error_has_name(&error.error, kNotRunning);
      instance.refused = instance.running;
      return instance;
    }
    instance.running = true;
    Message owned(reply);
    const char* path = nullptr;
    if (sd_bus_message_read(reply, "o", &path) < 0 || path == nullptr) {
      instance.refused = true;  // an answer that names no path at all
    } else if (std::string_view(path) != kNoObjectPath) {
      instance.object = std::make_unique<SdBusObject>(bus, owner, path);
    }
    return instance;
  }

  std::unique_ptr<AutomationObject> CreateInstance(std::string_view prog_id) override {
    const Connection bus = Bus();
    if (!bus) return nullptr;
    const std::string name(prog_id);
    if (!NameHasOwner(bus, name) && !StartService(bus, name)) return nullptr;
    const std::string owner = GetNameOwner(bus, name);
    if (owner.empty()) return nullptr;
    BusError error;
    sd_bus_message* reply = nullptr;
    if (sd_bus_call_method(bus.get(), owner.c_str(), kClassPath, kClassInterface, "CreateInstance",
                           &error.error, &reply, "") < 0) {
      return nullptr;
    }
    Message owned(reply);
    return ReadObjectPath(bus, owner, reply);
  }

 private:
  // The session bus, opened on first use and kept while objects or this service use it.
  Connection Bus() {
    if (!bus_) bus_ = OpenSessionBus();
    return bus_;
  }

  static std::unique_ptr<AutomationObject> ReadObjectPath(const Connection& bus,
                                                          const std::string& owner,
                                                          sd_bus_message* reply) {
    const char* path = nullptr;
    if (sd_bus_message_read(reply, "o", &path) < 0 || path == nullptr ||
        std::string_view(path) == kNoObjectPath) {
      return nullptr;
    }
    return std::make_unique<SdBusObject>(bus, owner, path);
  }

  Connection bus_;
};

}  // namespace

Automation& Automation::Native() {
  static SdBusAutomation automation;
  return automation;
}

}  // namespace radlyn::platform
