// As through1, with the second texture coordinates as well.
vs_2_0
dcl_position v0
dcl_color v1
dcl_texcoord0 v2
dcl_texcoord1 v3
mov oPos, v0
mov oD0, v1
mov oT0.xy, v2
mov oT1.xy, v3
