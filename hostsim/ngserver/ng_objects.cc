#include "ngserver/ng_objects.h"

#include <cstdint>
#include <vector>

#include "core/call_log.h"
#include "ngserver/ng_switches.h"

namespace hostsim {
namespace {

constexpr const char* kOrbelPluginId = "{7E41C0D2-9A35-4F6B-8C17-3B52E9A06D84}";

std::string Formatted(const DispatchValue& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_string(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return Quoted(*text);
  return Quoted(std::get<ObjectRef>(value).path);
}

// One call of a simulated object: its log line, its rejection switch and its reply.
class Call {
 public:
  Call(const std::string& folder, std::string_view server, std::string_view name,
       const std::vector<DispatchValue>& arguments)
      : folder_(folder), name_(name), line_(std::string(server) + "." + std::string(name)) {
    for (const DispatchValue& argument : arguments) line_.Arg(Formatted(argument));
  }

  // Rejects the call when the server's Reject switch names it.
  bool RejectedBy(const std::string& rejected_name) const { return rejected_name == name_; }

  DispatchReply Reject() {
    line_.Result("rejected").WriteTo(folder_);
    DispatchReply reply;
    reply.error_name = kErrorRejected;
    reply.error_message = "hostsim rejects " + name_;
    return reply;
  }

  DispatchReply Answer(DispatchValue result, std::vector<DispatchValue> out = {},
                       const char* out_name = nullptr) {
    line_.Result(Formatted(result));
    if (out_name != nullptr && !out.empty()) line_.Detail(out_name, Formatted(out.front()));
    line_.WriteTo(folder_);
    DispatchReply reply;
    reply.result = std::move(result);
    reply.out_arguments = std::move(out);
    return reply;
  }

 private:
  const std::string& folder_;
  std::string name_;
  LogLine line_;
};

DispatchReply MemberNotFound(const std::string& folder, std::string_view server,
                             std::int32_t dispatch_id, std::uint32_t kind) {
  LogLine(std::string(server) + ".Invoke")
      .Arg(dispatch_id)
      .Arg(kind)
      .Result("member not found")
      .WriteTo(folder);
  DispatchReply reply;
  reply.error_name = kErrorMemberNotFound;
  reply.error_message = "no member " + std::to_string(dispatch_id);
  return reply;
}

const std::string* TextArgument(const std::vector<DispatchValue>& arguments, std::size_t index) {
  return index < arguments.size() ? std::get_if<std::string>(&arguments[index]) : nullptr;
}

const std::int32_t* NumberArgument(const std::vector<DispatchValue>& arguments, std::size_t index) {
  return index < arguments.size() ? std::get_if<std::int32_t>(&arguments[index]) : nullptr;
}

constexpr const char* kPluginServer = "PluginServer";

class PluginObject final : public DispatchObject {
 public:
  explicit PluginObject(std::string folder) : folder_(std::move(folder)) {}
  DispatchReply Invoke(DispatchServer&, std::int32_t dispatch_id, std::uint32_t kind,
                       const std::vector<DispatchValue>& arguments) override {
    const NgSwitches switches(folder_);
    const std::string rejected = switches.Text(kPluginServer, "Reject");
    if (kind == kInvokePropertyGet && (dispatch_id == 8 || dispatch_id == 13)) {
      const bool version = dispatch_id == 8;
      Call call(folder_, kPluginServer, version ? "Version" : "ProgramPath", arguments);
      if (call.RejectedBy(rejected)) return call.Reject();
      return call.Answer(switches.Text(kPluginServer, version ? "Version" : "ProgramPath"));
    }
    return MemberNotFound(folder_, kPluginServer, dispatch_id, kind);
  }

 private:
  std::string folder_;
};

class LoginObject final : public DispatchObject {
 public:
  explicit LoginObject(std::string folder) : folder_(std::move(folder)) {}
  DispatchReply Invoke(DispatchServer& server, std::int32_t dispatch_id, std::uint32_t kind,
                       const std::vector<DispatchValue>& arguments) override {
    const NgSwitches switches(folder_);
    const std::string rejected = switches.Text(kPluginServer, "Reject");
    const bool found = switches.Int(kPluginServer, "PluginFound") != 0;
    const std::int32_t number = switches.Int(kPluginServer, "PluginNumber");
    if (kind == kInvokeMethod && dispatch_id == 11) {
      Call call(folder_, kPluginServer, "Prepare", arguments);
      if (call.RejectedBy(rejected)) return call.Reject();
      return call.Answer(std::int32_t{0});
    }
    if (kind == kInvokeMethod && dispatch_id == 8) {
      Call call(folder_, kPluginServer, "FindPlugin", arguments);
      if (call.RejectedBy(rejected)) return call.Reject();
      const std::string* id = TextArgument(arguments, 0);
      const bool orbel = found && id != nullptr && *id == kOrbelPluginId;
      return call.Answer(orbel ? number : std::int32_t{0});
    }
    if (kind == kInvokePropertyGet && dispatch_id == 17) {
      Call call(folder_, kPluginServer, "Plugin", arguments);
      if (call.RejectedBy(rejected)) return call.Reject();
      const std::int32_t* asked = NumberArgument(arguments, 0);
      const bool present = found && asked != nullptr && *asked == number &&
                           switches.Int(kPluginServer, "PluginObject") != 0;
      if (!present) return call.Answer(ObjectRef{"/"});
      return call.Answer(server.Add(std::make_unique<PluginObject>(folder_), "Plugin"));
    }
    return MemberNotFound(folder_, kPluginServer, dispatch_id, kind);
  }

 private:
  std::string folder_;
};

class PluginServerInstance final : public DispatchObject {
 public:
  explicit PluginServerInstance(std::string folder) : folder_(std::move(folder)) {}
  DispatchReply Invoke(DispatchServer& server, std::int32_t dispatch_id, std::uint32_t kind,
                       const std::vector<DispatchValue>& arguments) override {
    const NgSwitches switches(folder_);
    const std::string rejected = switches.Text(kPluginServer, "Reject");
    if (kind == kInvokeMethod && dispatch_id == 2) {
      Call call(folder_, kPluginServer, "Login", arguments);
      if (call.RejectedBy(rejected)) return call.Reject();
      const std::int32_t status = switches.Int(kPluginServer, "LoginStatus");
      ObjectRef login{"/"};
      if (status >= 0 && switches.Int(kPluginServer, "LoginObject") != 0) {
        login = server.Add(std::make_unique<LoginObject>(folder_), "Login");
      }
      return call.Answer(status, {login}, "login");
    }
    if (kind == kInvokeMethod && dispatch_id == 1) {
      Call call(folder_, kPluginServer, "Logout", arguments);
      if (call.RejectedBy(rejected)) return call.Reject();
      return call.Answer(std::int32_t{0});
    }
    return MemberNotFound(folder_, kPluginServer, dispatch_id, kind);
  }

 private:
  std::string folder_;
};

constexpr const char* kOptionsManager = "OptionsManager";

class OptionsManagerInstance final : public DispatchObject {
 public:
  explicit OptionsManagerInstance(std::string folder) : folder_(std::move(folder)) {}
  DispatchReply Invoke(DispatchServer&, std::int32_t dispatch_id, std::uint32_t kind,
                       const std::vector<DispatchValue>& arguments) override {
    const NgSwitches switches(folder_);
    if (kind == kInvokePropertyGet && dispatch_id == 3) {
      Call call(folder_, kOptionsManager, "GetOption", arguments);
      if (switches.Int(kOptionsManager, "Reject") != 0) return call.Reject();
      return call.Answer(switches.Text(kOptionsManager, "Option"));
    }
    return MemberNotFound(folder_, kOptionsManager, dispatch_id, kind);
  }

 private:
  std::string folder_;
};

}  // namespace

std::unique_ptr<DispatchObject> MakePluginServerInstance(const std::string& folder) {
  return std::make_unique<PluginServerInstance>(folder);
}

std::unique_ptr<DispatchObject> MakeOptionsManagerInstance(const std::string& folder) {
  return std::make_unique<OptionsManagerInstance>(folder);
}

}  // namespace hostsim
