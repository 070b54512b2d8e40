# Helpers shared by the Windows job tests (sourced, not run): paths as radlyn.exe sees them and the
# registrations a Windows hostsim install leaves in the Wine prefix. `wine reg` runs the 32-bit
# reg.exe, which on 64-bit Windows reads and writes the registry's 32-bit view, where the 32-bit
# hostsim.exe registers and where radlyn.exe looks.

# Morlund's automation server, whose LocalServer32 value names the installation.
server_key='HKCR\CLSID\{5C3E9A41-72D0-4B8E-9F16-2A7D40C1E853}'

# The newer generation's plug-in server, through which Radlyn finds that generation.
plugin_server_key='HKCR\MORLUNDNG.PluginServer'

# A Linux path on drive Z:, as Windows programs under Wine see it.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The newer generation unreachable, as on Linux without a session bus.
hide_newer_generation() { wine reg delete "$plugin_server_key" /f >/dev/null 2>&1; }

# No installation left registered in the prefix for the next test: Morlund's server, and the newer
# generation's ProgIDs and classes, all that `hostsim.exe install` registers.
unregister_hostsim() {
  local key
  for key in "$server_key" "$plugin_server_key" 'HKCR\MORLUNDNG.OptionsManager' \
    'HKCR\CLSID\{E686154B-C954-43EB-8232-DC48741E88EA}' \
    'HKCR\CLSID\{BEA3E433-D3A3-456E-AC48-E3461E03C495}'; do
    wine reg delete "$key" /f >/dev/null 2>&1
  done
}
