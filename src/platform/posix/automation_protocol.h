// The names of radlyn's automation protocol on the D-Bus session bus, shared by the client side
// (automation_sdbus.cc) and by servers that speak it (hostsim's newer-generation servers).
//
// The bus name is the class's programmatic name. The class object at kClassPath (interface
// kClassInterface) answers CreateInstance() -> o and GetActiveObject() -> o, the latter failing
// with kNotRunning when no instance was started by a user. Every object (interface
// kObjectInterface) answers Invoke(i dispatch_id, u kind, av arguments) -> (v result,
// av out_arguments) and Release(); kind is a set of bits (1 method, 2 property read), and a
// property read carries both; kNoObjectPath stands for "no object" in a result.
#pragma once

namespace radlyn::platform::automation_protocol {

inline constexpr const char* kClassPath = "/org/radlyn/Dispatch1";
inline constexpr const char* kClassInterface = "org.radlyn.Dispatch1.Class";
inline constexpr const char* kObjectInterface = "org.radlyn.Dispatch1";
inline constexpr const char* kNotRunning = "org.radlyn.Dispatch1.Error.NotRunning";
inline constexpr const char* kNoObjectPath = "/";

}  // namespace radlyn::platform::automation_protocol
