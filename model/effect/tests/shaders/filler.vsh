// Fills the renderer's other vertex-shader slots; effects never draw with it.
vs_1_1
dcl_position v0
mov oPos, v0
