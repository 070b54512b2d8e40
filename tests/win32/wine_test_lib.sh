# Helpers shared by the Windows job tests (sourced, not run): paths as radlyn.exe sees them and the
# registrations a Windows hostsim install leaves in the Wine prefix.

# Morlund's automation server, whose LocalServer32 value names the installation.
server_key='HKCR\CLSID\{5C3E9A41-72D0-4B8E-9F16-2A7D40C1E853}'

# A Linux path on drive Z:, as Windows programs under Wine see it.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The newer generation unreachable, as on Linux without a session bus.
hide_newer_generation() { wine reg delete 'HKCR\MORLUNDNG.PluginServer' /f >/dev/null 2>&1; }

# No installation left registered in the prefix for the next test.
unregister_hostsim() {
  wine reg delete "$server_key" /f >/dev/null 2>&1
  hide_newer_generation
}
