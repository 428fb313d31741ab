// A rigid mesh: c4-c7 the transposed world x view x projection, the vertex colour passed on.
vs_1_1
dcl_position v0
dcl_color v4
m4x4 oPos, v0, c4
mov oD0, v4
