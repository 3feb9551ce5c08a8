-- Which Vesk2 builds Ardour lists from its own default plug-in folders (the
-- caller has run Ardour's scanners on the installed files, as its plug-in
-- scan does). SESSION_DIR comes first, from the caller.
AudioEngine:set_backend ("None (Dummy)", "", "")
local s = create_session (SESSION_DIR, "scan", 48000)
assert (s, "no session")
for v in ARDOUR.LuaAPI.list_plugins ():iter () do
  if v.name == "Vesk2" then print ("listed", v.type, v.path) end
end
print ("listed all")
