// The objects of the two simulated servers of the newer Morlund generation, each driven by its
// switches in hostsim.ini (ng_switches.h) and logging every call to hostsim-calls.log:
//
// PluginServer instance: Logout (1), Login (2, out: login object, declared as an object or a
//                        VARIANT by the switch LoginOut).
// Login object:          the preparation call (11), FindPlugin (8), Plugin (17, property).
// Plug-in object:        Version (8, property), ProgramPath (13, property).
// OptionsManager:        GetOption (3, method: plug-in identifier, option group).
//
// Members are methods unless marked property. With StrictKinds (the default) a member answers
// only calls whose kind includes its own, as a type-driven server does; otherwise it answers
// every kind. Log lines read "PluginServer.Login("MorlundNG") = 0 login="/Login/2"" and alike; a
// rejected call logs "= rejected". A call with an unknown dispatch id or kind is answered with
// the error MemberNotFound and logged as "PluginServer.Invoke(id, kind) = member not found".
#pragma once

#include <memory>
#include <string>

#include "ngserver/dispatch_server.h"

namespace hostsim {

std::unique_ptr<DispatchObject> MakePluginServerInstance(const std::string& folder);
std::unique_ptr<DispatchObject> MakeOptionsManagerInstance(const std::string& folder);

}  // namespace hostsim
