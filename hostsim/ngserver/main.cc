// hostsim-ngserver: the simulated automation servers of the newer Morlund generation.
//
//   hostsim-ngserver PluginServer|OptionsManager [--dir DIR] [--running]
//
// Serves MORLUNDNG.PluginServer or MORLUNDNG.OptionsManager: on Linux on the session bus (the bus
// that activated it, else DBUS_SESSION_BUS_ADDRESS), on Windows as a COM local server. DIR is the
// installation folder whose hostsim.ini and hostsim-calls.log it uses (default: the folder of this
// program). With --running it acts as a server its user started: it offers a running instance
// (GetActiveObject finds it), prints "ready" once it is offered, and stays until the bus goes away
// (Linux) or it is ended (Windows). Started by bus activation through the .service files, or by
// COM through the LocalServer32 key that `hostsim install` writes (COM adds -Embedding, which is
// accepted like /Automation and ignored), it ends on its own when idle.
#include <cstdio>
#include <string>
#include <string_view>

#include "core/call_log.h"
#include "core/install_folder.h"
#include "ngserver/dispatch_server.h"
#include "ngserver/ng_objects.h"
#include "ngserver/ng_switches.h"
#include "platform/paths.h"

namespace {

int Usage() {
  std::fputs("usage: hostsim-ngserver PluginServer|OptionsManager [--dir DIR] [--running]\n",
             stderr);
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string_view which = argv[1];
  std::string folder = hostsim::InstallFolder();
  bool running = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--running") {
      running = true;
    } else if (option == "--dir" && i + 1 < argc) {
      folder = radlyn::platform::WithTrailingSeparator(argv[++i]);
    } else if (option == "-Embedding" || option == "/Embedding" || option == "-Automation" ||
               option == "/Automation") {
      continue;  // how COM starts a server
    } else {
      return Usage();
    }
  }

  hostsim::DispatchServer::InstanceFactory factory;
  if (which == "PluginServer") {
    factory = [folder] { return hostsim::MakePluginServerInstance(folder); };
  } else if (which == "OptionsManager") {
    factory = [folder] { return hostsim::MakeOptionsManagerInstance(folder); };
  } else {
    return Usage();
  }

  const std::string server(which);
  if (hostsim::NgSwitches(folder).Int(server, "Available") == 0) {
    hostsim::LogLine(server + ".Start").Result("unavailable").WriteTo(folder);
    return 1;
  }
  hostsim::DispatchServer dispatch_server(
      "MORLUNDNG." + server, factory,
      [&](const std::string& event, const std::string& argument, const std::string& result) {
        hostsim::LogLine line(server + "." + event);
        if (!argument.empty()) line.Arg(hostsim::Quoted(argument));
        line.Result(result).WriteTo(folder);
      });
  if (which == "PluginServer") {
    dispatch_server.SetBusySpell(hostsim::NgSwitches(folder).Int(server, "BusyMs"));
  }
  return dispatch_server.Serve(running, [running] {
    if (!running) return;
    std::puts("ready");
    std::fflush(stdout);
  });
}
