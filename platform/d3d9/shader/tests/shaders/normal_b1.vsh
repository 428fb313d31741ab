// Skinned mesh of kind "normal", one bone a vertex: c0 (1, fog scale, fog offset, 765.01),
// c1 the light direction, c2 colour A, c3 colour B, c4-c7 the transposed view x projection,
// from c8 the bone palette, three registers a bone. The first blend index byte (the blue byte
// of the packed colour, so z) times 765.01 is three times the index, rounded down into a0.
vs_1_1
dcl_position v0
dcl_blendindices v2
dcl_normal v3
dcl_color v4
dcl_texcoord v7
mul r0, v2.zyxw, c0.wwww
mov a0.x, r0.x
m4x3 r1.xyz, v0, c[a0.x + 8]
mov r1.w, c0.x
m3x3 r2.xyz, v3, c[a0.x + 8]
m4x4 r3, r1, c4
mov oPos, r3
dp3 r4.x, r2, c1
mad r5, c2, r4.x, c3
mul oD0, r5, v4
mov oT0.xy, v7
mad oFog, r3.w, c0.y, c0.z
