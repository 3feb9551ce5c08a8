-- Reloads the session (both plug-ins start together) and exports the master,
-- A - B, as 32-bit float without dither: once as saved, once with both
-- plug-ins switched off by the host after their tails have died away.
AudioEngine:set_backend ("None (Dummy)", "", "")
local s = load_session (SESSION_DIR, "vesk")
assert (s, "no session")
for r in s:get_routes ():iter () do
  local p = r:nth_plugin (0)
  if not p:isnil () then
    local plug = p:to_insert ():plugin (0)
    for i = 0, plug:parameter_count () - 1 do
      if plug:parameter_label (i) == "RTime" then print ("reloaded", r:name (), "RTime", ARDOUR.LuaAPI.get_processor_param (p, i, true)) end
    end
  end
end
local function export (name)
  local e = s:simple_export ()
  e:set_name (name)
  e:set_folder (SESSION_DIR .. "/export")
  e:set_range (0, 48000 * 4)
  assert (e:set_preset (EXPORT_PRESET), "no export preset")
  assert (e:run_export (), "export failed")
end
export ("difference")
for r in s:get_routes ():iter () do
  local p = r:nth_plugin (0)
  if not p:isnil () then p:to_insert ():enable (false) end
end
ARDOUR.LuaAPI.usleep (6000000)
export ("bypassed")
print ("exported")
