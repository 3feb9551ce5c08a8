-- A session where one sine feeds two buses: A with the VST 2.4 build, B with
-- the VST3 build, both in insert mode with the same reverb time, B's polarity
-- inverted, so that the master carries A - B. Also checks what a user sees of
-- the VST3 build: its parameters, programs and bypass.
AudioEngine:set_backend ("None (Dummy)", "", "")
local s = create_session (SESSION_DIR, "vesk", 48000)
assert (s, "no session")
local function bus (name)
  return s:new_audio_route (2, 2, nil, 1, name, ARDOUR.PresentationInfo.Flag.AudioBus, ARDOUR.PresentationInfo.max_order):front ()
end
local src = bus ("src")
local gen = ARDOUR.LuaAPI.new_luaproc (s, "SinGen")
assert (not gen:isnil (), "no SinGen")
src:add_processor_by_index (gen, 0, nil, true)
local a, b = bus ("A"), bus ("B")
src:output ():disconnect_all (nil)
for _, t in ipairs ({a, b}) do
  t:input ():disconnect_all (nil)
  for c = 0, 1 do t:input ():audio (c):connect (src:output ():audio (c):name ()) end
end
local pa = ARDOUR.LuaAPI.new_plugin (s, "Vesk2", ARDOUR.PluginType.LXVST, "")
local pb = ARDOUR.LuaAPI.new_plugin (s, "Vesk2", ARDOUR.PluginType.VST3, "")
assert (not pa:isnil (), "the VST 2.4 build was not found")
assert (not pb:isnil (), "the VST3 build was not found")
a:add_processor_by_index (pa, 0, nil, true)
b:add_processor_by_index (pb, 0, nil, true)

local plug = pb:to_insert ():plugin (0)
print ("maker", plug:maker ())
local index = {}
for i = 0, plug:parameter_count () - 1 do
  local pd = ARDOUR.ParameterDescriptor ()
  local _, t = plug:get_parameter_descriptor (i, pd)
  index[plug:parameter_label (i)] = i
  print ("param", plug:parameter_label (i), t[2].lower, t[2].upper, t[2].normal)
end
local programs = 0
for i = 1, 16 do if plug:preset_by_label ("Init " .. i) then programs = programs + 1 end end
print ("programs", programs)

for _, p in ipairs ({pa, pb}) do
  ARDOUR.LuaAPI.set_processor_param (p, index["Mode"], 1)
  ARDOUR.LuaAPI.set_processor_param (p, index["RTime"], 0.6)
end
ARDOUR.LuaAPI.usleep (300000)
-- A program chosen in the host brings its values, and the edit stays with program 1.
plug:load_preset (plug:preset_by_label ("Init 3"))
ARDOUR.LuaAPI.usleep (300000)
print ("program 3 RTime", ARDOUR.LuaAPI.get_processor_param (pb, index["RTime"], true))
plug:load_preset (plug:preset_by_label ("Init 1"))
ARDOUR.LuaAPI.usleep (300000)
print ("program 1 RTime", ARDOUR.LuaAPI.get_processor_param (pb, index["RTime"], true))
-- The host's own switch is the plug-in's bypass.
pb:to_insert ():enable (false)
ARDOUR.LuaAPI.usleep (300000)
print ("switched off: active", pb:active (), "Bypass", ARDOUR.LuaAPI.get_processor_param (pb, index["Bypass"], true))
pb:to_insert ():enable (true)
ARDOUR.LuaAPI.usleep (300000)
b:phase_control ():set_phase_invert (0, true)
b:phase_control ():set_phase_invert (1, true)
s:save_state ("", false, false, false, false, false)
print ("saved")
