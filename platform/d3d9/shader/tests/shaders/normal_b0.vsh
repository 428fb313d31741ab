// Rigid mesh of kind "normal": c0 the light direction in object space, c1 colour A, c2 colour B,
// c3 (fog scale, fog offset, 0), c4-c7 the transposed world x view x projection.
vs_1_1
dcl_position v0
dcl_normal v3
dcl_color v4
dcl_texcoord v7
m4x4 r0, v0, c4
mov oPos, r0
dp3 r1.x, v3, c0
max r1.x, r1.x, c3.z         ; no light from behind
mad r2, c1, r1.x, c2         ; A x lambert + B
mul oD0, r2, v4
mov oT0.xy, v7
mad oFog, r0.w, c3.x, c3.y
