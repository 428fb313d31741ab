// Effect vertices, already in view space: c1-c4 the transposed world x view x projection; the
// vertex colour and the texture coordinates passed on.
vs_1_1
dcl_position v0
dcl_color v4
dcl_texcoord v7
m4x4 oPos, v0, c1
mov oD0, v4
mov oT0.xy, v7
