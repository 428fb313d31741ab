// A rectangle already in clip space: position, colour and the first texture coordinates.
vs_2_0
dcl_position v0
dcl_color v1
dcl_texcoord0 v2
mov oPos, v0
mov oD0, v1
mov oT0.xy, v2
