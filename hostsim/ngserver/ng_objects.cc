#include "ngserver/ng_objects.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>
#include <thread>
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

  DispatchReply Reject() {
    line_.Result("rejected").WriteTo(folder_);
    DispatchReply reply;
    reply.error_name = kErrorRejected;
    reply.error_message = "hostsim rejects " + name_;
    return reply;
  }

  // Never answers: logs the call, waits `ms`, and ends the server program without a reply.
  [[noreturn]] void Hang(int ms) {
    line_.Result("hanging ms=" + std::to_string(ms)).WriteTo(folder_);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    std::_Exit(0);
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
constexpr const char* kOptionsManager = "OptionsManager";

// A member as the object declares it, before the server's switches say which kinds it answers.
struct MemberEntry {
  std::int32_t dispatch_id;
  std::uint32_t kind;
  const char* name;
};

// An object of one of the servers: its members answer by dispatch id and kind, strictly (only
// the declared kind, as a type-driven server does) or leniently, as the server's StrictKinds
// switch says; anything else is an unknown member.
class SimulatedObject : public DispatchObject {
 public:
  SimulatedObject(std::string folder, const char* server, std::span<const MemberEntry> members)
      : folder_(std::move(folder)), server_(server), members_(members) {}

  DispatchDeclaration Declare() const override {
    const NgSwitches switches(folder_);
    const bool strict = switches.Int(server_, "StrictKinds") != 0;
    DispatchDeclaration declaration;
    declaration.type_info = switches.Int(server_, "TypeInfo") != 0;
    for (const MemberEntry& member : members_) {
      declaration.members.push_back({member.dispatch_id, member.kind, member.name,
                                     strict ? member.kind : kInvokeMethod | kInvokePropertyGet,
                                     OutFormOf(member, switches)});
    }
    return declaration;
  }

  DispatchReply Invoke(DispatchServer& server, std::int32_t dispatch_id, std::uint32_t kind,
                       const std::vector<DispatchValue>& arguments) override {
    for (const DispatchMember& member : Declare().members) {
      if (member.dispatch_id != dispatch_id || (member.answers & kind) == 0) continue;
      const NgSwitches switches(folder_);
      Call call(folder_, server_, member.name, arguments);
      if (Rejects(switches, member.name)) return call.Reject();
      if (Hangs(switches, member.name)) call.Hang(switches.Int(server_, "HangMs"));
      return Answer(server, switches, member.name, arguments, call);
    }
    return MemberNotFound(folder_, server_, dispatch_id, kind);
  }

  void Asked(const char* request) override {
    const NgSwitches switches(folder_);
    if (Hangs(switches, request)) {
      Call(folder_, server_, request, {}).Hang(switches.Int(server_, "HangMs"));
    }
  }

 protected:
  virtual OutForm OutFormOf(const MemberEntry&, const NgSwitches&) const { return OutForm::kNone; }
  virtual bool Rejects(const NgSwitches& switches, std::string_view name) const {
    return switches.Text(server_, "Reject") == name;
  }
  virtual bool Hangs(const NgSwitches& switches, std::string_view name) const {
    return switches.Text(server_, "Hang") == name;
  }
  virtual DispatchReply Answer(DispatchServer& server, const NgSwitches& switches,
                               std::string_view name, const std::vector<DispatchValue>& arguments,
                               Call& call) = 0;

  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  const char* server_;
  std::span<const MemberEntry> members_;
};

constexpr MemberEntry kPluginMembers[] = {{8, kInvokePropertyGet, "Version"},
                                          {13, kInvokePropertyGet, "ProgramPath"}};

class PluginObject final : public SimulatedObject {
 public:
  explicit PluginObject(std::string folder)
      : SimulatedObject(std::move(folder), kPluginServer, kPluginMembers) {}

 private:
  DispatchReply Answer(DispatchServer&, const NgSwitches& switches, std::string_view name,
                       const std::vector<DispatchValue>&, Call& call) override {
    return call.Answer(switches.Text(kPluginServer, name));
  }
};

constexpr MemberEntry kLoginMembers[] = {{11, kInvokeMethod, "Prepare"},
                                         {8, kInvokeMethod, "FindPlugin"},
                                         {17, kInvokePropertyGet, "Plugin"}};

class LoginObject final : public SimulatedObject {
 public:
  explicit LoginObject(std::string folder)
      : SimulatedObject(std::move(folder), kPluginServer, kLoginMembers) {}

 private:
  DispatchReply Answer(DispatchServer& server, const NgSwitches& switches, std::string_view name,
                       const std::vector<DispatchValue>& arguments, Call& call) override {
    const bool found = switches.Int(kPluginServer, "PluginFound") != 0;
    const std::int32_t number = switches.Int(kPluginServer, "PluginNumber");
    if (name == "Prepare") return call.Answer(std::int32_t{0});
    if (name == "FindPlugin") {
      const std::string* id = TextArgument(arguments, 0);
      const bool orbel = found && id != nullptr && *id == kOrbelPluginId;
      return call.Answer(orbel ? number : std::int32_t{0});
    }
    const std::int32_t* asked = NumberArgument(arguments, 0);
    const bool present = found && asked != nullptr && *asked == number &&
                         switches.Int(kPluginServer, "PluginObject") != 0;
    if (!present) return call.Answer(ObjectRef{"/"});
    return call.Answer(server.Add(std::make_unique<PluginObject>(folder()), "Plugin"));
  }
};

constexpr MemberEntry kPluginServerMembers[] = {{1, kInvokeMethod, "Logout"},
                                                {2, kInvokeMethod, "Login"}};

class PluginServerInstance final : public SimulatedObject {
 public:
  explicit PluginServerInstance(std::string folder)
      : SimulatedObject(std::move(folder), kPluginServer, kPluginServerMembers) {}

 private:
  OutForm OutFormOf(const MemberEntry& member, const NgSwitches& switches) const override {
    if (std::string_view(member.name) != "Login") return OutForm::kNone;
    return switches.Text(kPluginServer, "LoginOut") == "variant" ? OutForm::kVariant
                                                                 : OutForm::kObject;
  }

  DispatchReply Answer(DispatchServer& server, const NgSwitches& switches, std::string_view name,
                       const std::vector<DispatchValue>&, Call& call) override {
    if (name == "Logout") return call.Answer(std::int32_t{0});
    const std::int32_t status = switches.Int(kPluginServer, "LoginStatus");
    ObjectRef login{"/"};
    if (status >= 0 && switches.Int(kPluginServer, "LoginObject") != 0) {
      login = server.Add(std::make_unique<LoginObject>(folder()), "Login");
    }
    return call.Answer(status, {login}, "login");
  }
};

// GetOption is declared a method, as its name says; radlyn reads it as a property.
constexpr MemberEntry kOptionsManagerMembers[] = {{3, kInvokeMethod, "GetOption"}};

class OptionsManagerInstance final : public SimulatedObject {
 public:
  explicit OptionsManagerInstance(std::string folder)
      : SimulatedObject(std::move(folder), kOptionsManager, kOptionsManagerMembers) {}

 private:
  bool Rejects(const NgSwitches& switches, std::string_view) const override {
    return switches.Int(kOptionsManager, "Reject") != 0;
  }
  bool Hangs(const NgSwitches& switches, std::string_view name) const override {
    return name == "GetOption" && switches.Int(kOptionsManager, "Hang") != 0;
  }
  DispatchReply Answer(DispatchServer&, const NgSwitches& switches, std::string_view,
                       const std::vector<DispatchValue>&, Call& call) override {
    return call.Answer(switches.Text(kOptionsManager, "Option"));
  }
};

}  // namespace

std::unique_ptr<DispatchObject> MakePluginServerInstance(const std::string& folder) {
  const NgSwitches switches(folder);
  if (switches.Text(kPluginServer, "Hang") == "CreateInstance") {
    Call(folder, kPluginServer, "CreateInstance", {}).Hang(switches.Int(kPluginServer, "HangMs"));
  }
  return std::make_unique<PluginServerInstance>(folder);
}

std::unique_ptr<DispatchObject> MakeOptionsManagerInstance(const std::string& folder) {
  return std::make_unique<OptionsManagerInstance>(folder);
}

}  // namespace hostsim
