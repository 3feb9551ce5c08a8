-- Reloads the session (both plug-ins start together) and exports the master,
-- A - B, as 32-bit float without dither: once as saved, once with an
-- automation lane on B, once with both plug-ins switched off by the host after
-- their tails have died away.
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
-- An automation lane on B's output level, flat until two seconds, then rising
-- over 25 ms (the lane's points are kept in musical time, so closer points
-- would merge): A - B is silent until then and sounds from there on.
for r in s:get_routes ():iter () do
  local p = r:nth_plugin (0)
  if not p:isnil () and r:name () == "B" then
    local plug = p:to_insert ():plugin (0)
    for i = 0, plug:parameter_count () - 1 do
      if plug:parameter_label (i) == "Output" then
        local _, cl = ARDOUR.LuaAPI.plugin_automation (p, i)
        cl:add (Temporal.timepos_t (0), 0.5, false, false)
        cl:add (Temporal.timepos_t (96000), 0.5, false, false)
        cl:add (Temporal.timepos_t (97200), 0.75, false, false)
        p:to_insert ():to_automatable ():automation_control (
          Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, i), false):set_automation_state (ARDOUR.AutoState.Play)
      end
    end
  end
end
ARDOUR.LuaAPI.usleep (300000)
export ("automated")
for r in s:get_routes ():iter () do
  local p = r:nth_plugin (0)
  if not p:isnil () then p:to_insert ():enable (false) end
end
ARDOUR.LuaAPI.usleep (6000000)
export ("bypassed")
print ("exported")
