// The water surface: c0-c3 the transposed view x projection, c4-c7 the transposed matrix to
// screen texture coordinates (still to be divided by w); both noise coordinates pass through.
vs_2_0
dcl_position v0
dcl_color v1
dcl_texcoord0 v2
dcl_texcoord1 v3
m4x4 oPos, v0, c0
m4x4 r0, v0, c4
mov oT0, r0
mov oD0, v1
mov oT1.xy, v2
mov oT2.xy, v3
