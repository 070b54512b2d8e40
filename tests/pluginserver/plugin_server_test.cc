#include "pluginserver/plugin_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "pluginserver/fake_automation.h"
#include "pluginserver/options_manager.h"
#include "pluginserver/orbel_plugin.h"
#include "support/event_log.h"
#include "support/platform_fakes.h"

namespace radlyn {
namespace {

using platform::AutomationError;
using testing::FakeAutomation;

std::string g_log_folder;
std::string LogFolder() { return g_log_folder; }

// A plug-in server whose answers the test sets: the login status, whether the login hands out
// an object, the plug-in number, whether the plug-in object exists, its version and path, and
// one dispatch id of the login object that throws.
struct ServerScript {
  std::int32_t login_status = 0;
  bool login_object = true;
  std::int32_t plugin_number = 3;
  bool plugin_object = true;
  std::string version = "1.2";
  std::string program_path = "/opt/orbel/orbel";
  std::int32_t throwing_login_call = -1;
  bool login_call_times_out = false;  // the throwing call outlives a 2.5 s limit
};

class PluginServerTest : public ::testing::Test {
 protected:
  PluginServerTest() : previous_source_(SetEventLogFolderSource(&LogFolder)) {
    g_log_folder = folder_.path();
  }
  ~PluginServerTest() override { SetEventLogFolderSource(previous_source_); }

  void InstallServer(const ServerScript& script) {
    FakeAutomation::ClassScript server;
    server.instance =
        [this, script](std::int32_t id, platform::InvokeKind,
                       const std::vector<platform::AutomationArgument>&,
                       std::vector<platform::AutomationResult>* out) -> platform::AutomationResult {
      if (id != 2) return std::int32_t{0};  // Logout
      if (script.login_status >= 0 && script.login_object) {
        out->push_back(automation_.MakeObject("login", LoginScript(script)));
      }
      return script.login_status;
    };
    automation_.classes[kPluginServerProgId] = server;
  }

  testing::CallScript LoginScript(const ServerScript& script) {
    return [this, script](std::int32_t id, platform::InvokeKind,
                          const std::vector<platform::AutomationArgument>&,
                          std::vector<platform::AutomationResult>*) -> platform::AutomationResult {
      if (id == script.throwing_login_call && script.login_call_times_out) {
        throw platform::AutomationTimeout("call", 2500);
      }
      if (id == script.throwing_login_call) throw AutomationError("rejected");
      if (id == 8) return script.plugin_number;
      if (id == 17) {
        if (!script.plugin_object) return std::unique_ptr<platform::AutomationObject>();
        return automation_.MakeObject("plugin", PluginScript(script));
      }
      return std::int32_t{0};
    };
  }

  static testing::CallScript PluginScript(const ServerScript& script) {
    return [script](std::int32_t id, platform::InvokeKind,
                    const std::vector<platform::AutomationArgument>&,
                    std::vector<platform::AutomationResult>*) -> platform::AutomationResult {
      return id == 8 ? script.version : script.program_path;
    };
  }

  std::string EventLog() const {
    std::ifstream file(folder_.Sub("morlund.log"), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }
  std::vector<std::string> CallsOnly() const {
    std::vector<std::string> calls;
    for (const std::string& entry : automation_.journal) {
      if (entry.rfind("IsClass", 0) != 0 && entry.rfind("Find", 0) != 0 &&
          entry.rfind("Create", 0) != 0) {
        calls.push_back(entry);
      }
    }
    return calls;
  }

  testing::ScratchFolder folder_;
  testing::FixedClock clock_{{2026, 1, 2, 3, 4, 5}};
  platform::ScopedService<platform::Clock> clock_service_{clock_};
  FakeAutomation automation_;
  platform::ScopedService<platform::Automation> automation_service_{automation_};
  EventLogFolderSource previous_source_;
};

const std::string kPluginId = "{7E41C0D2-9A35-4F6B-8C17-3B52E9A06D84}";

TEST_F(PluginServerTest, FullSessionReadsThePathAndReleasesEverythingInOrder) {
  InstallServer({});
  EXPECT_EQ(GetOrbelPluginPath(), "/opt/orbel/orbel");
  EXPECT_EQ(CallsOnly(), (std::vector<std::string>{
                             "created.2(MorlundNG)", "login.11()", "login.8(" + kPluginId + ")",
                             "login:17(3)", "plugin:8()", "plugin:13()", "Release plugin",
                             "Release login", "created.1(MorlundNG)", "Release created"}));
  EXPECT_EQ(EventLog(), "");
}

TEST_F(PluginServerTest, UnregisteredServerLogsOnceAndNeverLogsIn) {
  EXPECT_EQ(GetOrbelPluginPath(), "");
  EXPECT_EQ(automation_.journal,
            (std::vector<std::string>{"IsClassRegistered MORLUNDNG.PluginServer"}));
  EXPECT_EQ(EventLog(), "2026-01-02T03:04:05 [Error] Connect to MORLUND PlugIn Server failed\r\n");
}

TEST_F(PluginServerTest, ServerThatCannotBeCreatedCountsAsNotConnected) {
  InstallServer({});
  automation_.classes[kPluginServerProgId].creatable = false;
  EXPECT_EQ(GetOrbelPluginPath(), "");
  EXPECT_TRUE(CallsOnly().empty());
  EXPECT_NE(EventLog().find("Connect to MORLUND PlugIn Server failed"), std::string::npos);
}

TEST_F(PluginServerTest, RefusedLoginLogsAndReleasesWithoutLogout) {
  ServerScript script;
  script.login_status = -5;
  InstallServer(script);
  EXPECT_EQ(GetOrbelPluginPath(), "");
  EXPECT_EQ(CallsOnly(), (std::vector<std::string>{"created.2(MorlundNG)", "Release created"}));
  EXPECT_EQ(EventLog(), "2026-01-02T03:04:05 [Error] MORLUND PlugIn Server Login failed\r\n");
}

TEST_F(PluginServerTest, MissingPluginStopsBeforeItsPropertiesButStillLogsOut) {
  ServerScript not_found;
  not_found.plugin_number = 0;
  InstallServer(not_found);
  EXPECT_EQ(GetOrbelPluginPath(), "");
  EXPECT_EQ(CallsOnly(), (std::vector<std::string>{"created.2(MorlundNG)", "login.11()",
                                                   "login.8(" + kPluginId + ")", "Release login",
                                                   "created.1(MorlundNG)", "Release created"}));

  automation_.journal.clear();
  ServerScript no_object;
  no_object.plugin_object = false;
  InstallServer(no_object);
  EXPECT_EQ(GetOrbelPluginPath(), "");
  const auto calls = CallsOnly();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "plugin:8()"), 0);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "created.1(MorlundNG)"), 1);
  EXPECT_EQ(EventLog(), "");
}

TEST_F(PluginServerTest, LoginWithoutLoginObjectIsLoggedOutWithoutACrash) {
  ServerScript script;
  script.login_object = false;
  InstallServer(script);
  EXPECT_EQ(GetOrbelPluginPath(), "");
  EXPECT_EQ(CallsOnly(), (std::vector<std::string>{"created.2(MorlundNG)", "created.1(MorlundNG)",
                                                   "Release created"}));
}

TEST_F(PluginServerTest, OnlyVersionsFromOnePointTwoOnGiveTheProgramPath) {
  const struct {
    const char* version;
    bool accepted;
  } kCases[] = {{"1.1", false}, {"1.2", true},  {"2.0", true},    {"1.10", true},
                {"3", true},    {"0.9", false}, {"1.1.9", false}, {"", false}};
  for (const auto& c : kCases) {
    automation_.journal.clear();
    ServerScript script;
    script.version = c.version;
    InstallServer(script);
    EXPECT_EQ(GetOrbelPluginPath(), c.accepted ? "/opt/orbel/orbel" : "") << c.version;
    const auto calls = CallsOnly();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "plugin:13()"), c.accepted ? 1 : 0)
        << c.version;
  }
}

TEST_F(PluginServerTest, RunningServerIsPreferredAndARefusingOneFailsTheConnection) {
  InstallServer({});
  automation_.classes[kPluginServerProgId].running = true;
  EXPECT_EQ(GetOrbelPluginPath(), "/opt/orbel/orbel");
  EXPECT_EQ(std::count(automation_.journal.begin(), automation_.journal.end(),
                       "CreateInstance MORLUNDNG.PluginServer"),
            0);
  EXPECT_EQ(automation_.journal.back(), "Release running");

  // A running instance whose interface comes without an object gives way to a new instance.
  automation_.journal.clear();
  automation_.classes[kPluginServerProgId].running_gives_none = true;
  EXPECT_EQ(GetOrbelPluginPath(), "/opt/orbel/orbel");
  EXPECT_EQ(automation_.journal.back(), "Release created");

  automation_.journal.clear();
  automation_.classes[kPluginServerProgId].running_refuses = true;
  EXPECT_EQ(GetOrbelPluginPath(), "");
  EXPECT_TRUE(CallsOnly().empty());
  EXPECT_NE(EventLog().find("Connect to MORLUND PlugIn Server failed"), std::string::npos);
}

TEST_F(PluginServerTest, RejectedCallTravelsUpAfterReleasingWhatWasHeld) {
  ServerScript script;
  script.throwing_login_call = 8;
  InstallServer(script);
  EXPECT_THROW(GetOrbelPluginPath(), AutomationError);
  const auto calls = CallsOnly();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "Release login"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "Release created"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "created.1(MorlundNG)"), 0);
  EXPECT_EQ(EventLog(), "");

  // A call that outlives its limit travels up the same way, named in the event log first.
  script.login_call_times_out = true;
  InstallServer(script);
  EXPECT_THROW(GetOrbelPluginPath(), platform::AutomationTimeout);
  EXPECT_EQ(EventLog(),
            "2026-01-02T03:04:05 [Error] MORLUND PlugIn Server FindPlugin did not answer within "
            "2500 ms\r\n");
}

// A lookup or creation that hangs is no missing server: it travels up, named by its step, and
// neither another way of connecting nor the connect message follows.
TEST_F(PluginServerTest, HungConnectionStepTravelsUpNamedByTheStep) {
  for (const char* step : {"GetActiveObject", "CreateInstance", "QueryInterface"}) {
    std::filesystem::remove(folder_.Sub("morlund.log"));
    automation_.journal.clear();
    InstallServer({});
    automation_.classes[kPluginServerProgId].hung_step = step;
    EXPECT_THROW(GetOrbelPluginPath(), platform::AutomationTimeout) << step;
    EXPECT_TRUE(CallsOnly().empty()) << step;
    EXPECT_EQ(EventLog(), "2026-01-02T03:04:05 [Error] MORLUND PlugIn Server " + std::string(step) +
                              " did not answer within 2500 ms\r\n");
  }
}

class OptionsManagerTest : public PluginServerTest {
 protected:
  void InstallManager(std::function<platform::AutomationResult()> answer) {
    FakeAutomation::ClassScript manager;
    manager.running = true;  // a running instance exists, and must not be used
    manager.instance = [answer](std::int32_t, platform::InvokeKind,
                                const std::vector<platform::AutomationArgument>&,
                                std::vector<platform::AutomationResult>*) { return answer(); };
    automation_.classes[kOptionsManagerProgId] = manager;
  }
};

TEST_F(OptionsManagerTest, NewInstanceAnswersTheOptionForIdentifierThenGroup) {
  InstallManager([] { return platform::AutomationResult(std::string("/data/orbel/")); });
  EXPECT_EQ(GetOrbelDataFolder(), "/data/orbel/");
  EXPECT_EQ(automation_.journal,
            (std::vector<std::string>{"CreateInstance MORLUNDNG.OptionsManager",
                                      "created:3(" + kPluginId + ",ORBEL)", "Release created"}));
}

TEST_F(OptionsManagerTest, MissingManagerIsSilentlyEmpty) {
  EXPECT_EQ(GetOrbelDataFolder(), "");
  EXPECT_EQ(EventLog(), "");
}

TEST_F(OptionsManagerTest, RejectedGetOptionTravelsUpAndReleasesTheManager) {
  InstallManager([]() -> platform::AutomationResult { throw AutomationError("rejected"); });
  EXPECT_THROW(GetOrbelDataFolder(), AutomationError);
  EXPECT_EQ(automation_.journal.back(), "Release created");
  EXPECT_EQ(EventLog(), "");

  InstallManager([]() -> platform::AutomationResult {
    throw platform::AutomationTimeout("call", platform::kAutomationCallLimitMs);
  });
  EXPECT_THROW(GetOrbelDataFolder(), platform::AutomationTimeout);
  EXPECT_EQ(EventLog(),
            "2026-01-02T03:04:05 [Error] MORLUND Options Manager GetOption did not answer within "
            "120 s\r\n");

  // Its creation, likewise.
  automation_.classes[kOptionsManagerProgId].hung_step = "CreateInstance";
  EXPECT_THROW(GetOrbelDataFolder(), platform::AutomationTimeout);
  EXPECT_THAT(EventLog(), ::testing::EndsWith("[Error] MORLUND Options Manager CreateInstance did "
                                              "not answer within 2500 ms\r\n"));
}

}  // namespace
}  // namespace radlyn
