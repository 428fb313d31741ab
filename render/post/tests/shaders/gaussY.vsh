// The blur's coordinates pass through; the pixel shader steps along one axis itself. c0.x (the
// source's size along that axis) is not needed here.
vs_2_0
dcl_position v0
dcl_color v1
dcl_texcoord0 v2
mov oPos, v0
mov oD0, v1
mov oT0.xy, v2
