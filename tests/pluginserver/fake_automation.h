// A scripted automation service for the plug-in server link: classes that are registered,
// running or creatable, objects whose calls answer from a script, and one journal of every
// lookup, call and release in the order they happened.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/automation.h"

namespace radlyn::testing {

using platform::AutomationArgument;
using platform::AutomationObject;
using platform::AutomationResult;
using platform::InvokeKind;
using platform::ResultType;

class FakeAutomation;

// What an object answers; out-arguments go to `out`.
using CallScript = std::function<AutomationResult(std::int32_t dispatch_id, InvokeKind kind,
                                                  const std::vector<AutomationArgument>& arguments,
                                                  std::vector<AutomationResult>* out)>;

class FakeObject : public AutomationObject {
 public:
  FakeObject(std::string name, CallScript script, std::vector<std::string>& journal)
      : name_(std::move(name)), script_(std::move(script)), journal_(journal) {}
  ~FakeObject() override { journal_.push_back("Release " + name_); }

  AutomationResult Invoke(std::int32_t dispatch_id, InvokeKind kind,
                          const std::vector<AutomationArgument>& arguments, ResultType,
                          std::vector<AutomationResult>* out_arguments) override {
    std::string entry =
        name_ + (kind == InvokeKind::kMethod ? "." : ":") + std::to_string(dispatch_id) + "(";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      if (i > 0) entry += ",";
      if (const auto* number = std::get_if<std::int32_t>(&arguments[i])) {
        entry += std::to_string(*number);
      } else {
        entry += std::get<std::string>(arguments[i]);
      }
    }
    journal_.push_back(entry + ")");
    return script_(dispatch_id, kind, arguments, out_arguments);
  }

 private:
  std::string name_;
  CallScript script_;
  std::vector<std::string>& journal_;
};

class FakeAutomation : public platform::Automation {
 public:
  struct ClassScript {
    bool registered = true;
    bool running = false;
    bool running_refuses = false;     // running, but its interface cannot be had
    bool running_gives_none = false;  // running, and its interface comes without an object
    bool creatable = true;
    // The step of finding or creating an instance that outlives a 2.5 s limit, if any.
    std::string hung_step;
    CallScript instance;  // the calls of the class's instance
  };

  std::map<std::string, ClassScript> classes;
  std::vector<std::string> journal;

  std::unique_ptr<AutomationObject> MakeObject(const std::string& name, CallScript script) {
    return std::make_unique<FakeObject>(name, std::move(script), journal);
  }

  bool IsClassRegistered(std::string_view prog_id) override {
    journal.push_back("IsClassRegistered " + std::string(prog_id));
    auto found = classes.find(std::string(prog_id));
    return found != classes.end() && found->second.registered;
  }
  platform::RunningInstance FindRunningInstance(std::string_view prog_id) override {
    journal.push_back("FindRunningInstance " + std::string(prog_id));
    platform::RunningInstance instance;
    auto found = classes.find(std::string(prog_id));
    if (found != classes.end() && found->second.hung_step == "GetActiveObject") {
      throw platform::AutomationTimeout("lookup", 2500, "GetActiveObject");
    }
    if (found == classes.end() || !found->second.running) return instance;
    instance.running = true;
    instance.refused = found->second.running_refuses;
    if (!instance.refused && !found->second.running_gives_none)
      instance.object = MakeObject("running", found->second.instance);
    return instance;
  }
  std::unique_ptr<AutomationObject> CreateInstance(std::string_view prog_id) override {
    journal.push_back("CreateInstance " + std::string(prog_id));
    auto found = classes.find(std::string(prog_id));
    if (found == classes.end() || !found->second.registered || !found->second.creatable) {
      return nullptr;
    }
    if (!found->second.hung_step.empty()) {
      throw platform::AutomationTimeout("creation", 2500, found->second.hung_step);
    }
    return MakeObject("created", found->second.instance);
  }
};

}  // namespace radlyn::testing
