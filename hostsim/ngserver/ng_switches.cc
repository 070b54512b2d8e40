#include "ngserver/ng_switches.h"

#include <array>

#include "platform/paths.h"

namespace hostsim {
namespace {

// Defaults naming places of the installation, in the system's own form.
constexpr bool kWindowsPaths = radlyn::platform::kPathSeparator == '\\';
constexpr const char* kOrbelProgramDefault = kWindowsPaths ? "{DIR}orbel.exe" : "{DIR}orbel";
constexpr const char* kOrbelDataDefault = kWindowsPaths ? "{DIR}OrbelData\\" : "{DIR}OrbelData/";

constexpr std::array kNgSwitchTable{
    // The plug-in server, MORLUNDNG.PluginServer.
    SwitchEntry{"PluginServer", "Available", "1",
                "0: the server program ends at once when started, so no instance can be had"},
    SwitchEntry{"PluginServer", "LoginStatus", "0",
                "status Login answers; negative: the log-in is refused (no login object)"},
    SwitchEntry{"PluginServer", "LoginObject", "1",
                "0: a successful Login hands out no login object"},
    SwitchEntry{"PluginServer", "PluginFound", "1", "0: FindPlugin answers 0 (plug-in not found)"},
    SwitchEntry{"PluginServer", "PluginNumber", "3", "the number FindPlugin answers for Orbel"},
    SwitchEntry{"PluginServer", "PluginObject", "1", "0: Plugin answers no object"},
    SwitchEntry{"PluginServer", "Version", "1.2", "the Orbel plug-in's Version text"},
    SwitchEntry{"PluginServer", "ProgramPath", kOrbelProgramDefault,
                "the Orbel plug-in's ProgramPath text (the Orbel program radlyn starts)"},
    SwitchEntry{"PluginServer", "LoginOut", "object",
                "how Login declares its out-argument, the login object: object ([out] "
                "IDispatch**) or variant ([out] VARIANT*); on Windows a call passing the other "
                "form is rejected as a type mismatch before Login runs"},
    SwitchEntry{"PluginServer", "StrictKinds", "1",
                "1: a member answers only calls of its declared kind (method or property read); "
                "0: any kind"},
    SwitchEntry{"PluginServer", "TypeInfo", "1",
                "0: the objects give out no type information (Windows), yet still check every "
                "call against their declarations"},
    SwitchEntry{"PluginServer", "Reject", "",
                "name of one call the server rejects with an error: Login, Logout, Prepare, "
                "FindPlugin, Plugin, Version or ProgramPath"},
    SwitchEntry{"PluginServer", "Hang", "",
                "name of one call (as for Reject) the server never answers: it waits HangMs, "
                "then the server program ends without a reply, as a hung server that is killed; "
                "GetTypeInfo: the request for an object's type information (Windows), as a "
                "server whose type library lies on a share that does not answer; "
                "CreateInstance: the class factory making a new instance; QueryInterface: the "
                "request for an instance's IDispatch (Windows)"},
    SwitchEntry{"PluginServer", "HangMs", "600000", "how long a hanging call waits"},
    SwitchEntry{"PluginServer", "BusyMs", "0",
                "for this long after the first call reaches it, the server answers every call "
                "\"busy, retry later\" (Windows: its message filter; Wine handles the call "
                "anyway)"},
    // The options manager, MORLUNDNG.OptionsManager.
    SwitchEntry{"OptionsManager", "Available", "1",
                "0: the options manager ends at once when started, so no instance can be had"},
    SwitchEntry{"OptionsManager", "Option", kOrbelDataDefault,
                "the text GetOption answers for the Orbel plug-in and group ORBEL (Orbel's data "
                "folder)"},
    SwitchEntry{"OptionsManager", "Reject", "0", "1: GetOption is rejected with an error"},
    SwitchEntry{"OptionsManager", "Hang", "0",
                "1: GetOption never answers: it waits HangMs, then the program ends without a "
                "reply"},
    SwitchEntry{"OptionsManager", "HangMs", "600000", "how long a hanging GetOption waits"},
    SwitchEntry{"OptionsManager", "StrictKinds", "1",
                "1: GetOption, a method, answers only calls that include the method kind; 0: any "
                "kind"},
    SwitchEntry{"OptionsManager", "TypeInfo", "1",
                "0: the options manager gives out no type information (Windows)"},
    // The Orbel program.
    SwitchEntry{"Orbel", "DataFolder", kOrbelDataDefault,
                "Orbel's own data folder: its backup state file orbel-backup.state lies here"},
    SwitchEntry{"Orbel", "BackupExit", "0",
                "exit code of -backupoem (nonzero: nothing is backed up)"},
    SwitchEntry{"Orbel", "RestoreExit", "0",
                "exit code of -restore (nonzero: nothing is restored)"},
    SwitchEntry{"Orbel", "CheckExit", "0",
                "exit code of -check (nonzero: the image file is left as it is)"},
    SwitchEntry{"Orbel", "BackupSleepMs", "0", "-backupoem sleeps this long first"},
    SwitchEntry{"Orbel", "RestoreSleepMs", "0", "-restore sleeps this long first"},
    SwitchEntry{"Orbel", "CheckSleepMs", "0",
                "-check sleeps this long first (longer than radlyn's limit: it outlives it)"},
};

}  // namespace

std::span<const SwitchEntry> NewGenerationSwitches() { return kNgSwitchTable; }

}  // namespace hostsim
