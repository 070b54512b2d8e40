// hostsim-ngserver: the simulated automation servers of the newer Morlund generation.
//
//   hostsim-ngserver PluginServer|OptionsManager [--dir DIR] [--running]
//
// Serves MORLUNDNG.PluginServer or MORLUNDNG.OptionsManager on the session bus (the bus that
// activated it, else DBUS_SESSION_BUS_ADDRESS). DIR is the installation folder whose hostsim.ini
// and hostsim-calls.log it uses (default: the folder of this program). With --running it acts as
// a server its user started: it offers a running instance, prints "ready" once its name is owned
// and stays until the bus goes away. Activated through the .service files `hostsim install`
// lays out, it ends on its own when idle.
#include <cstdio>
#include <string>
#include <string_view>

#include "core/call_log.h"
#include "core/install_folder.h"
#include "ngserver/dispatch_server.h"
#include "ngserver/ng_objects.h"
#include "ngserver/ng_switches.h"

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
      folder = argv[++i];
      if (!folder.empty() && folder.back() != '/') folder.push_back('/');
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
  return dispatch_server.Serve(running, [running] {
    if (!running) return;
    std::puts("ready");
    std::fflush(stdout);
  });
}
