// Skinned mesh of the normal pass, two bones a vertex: c0 (1, fog scale, fog offset, 765.01),
// c1 the light, c2 colour A, c3 colour B, c4-c7 the transposed view x projection, from c8 the
// palette, three registers a slot. Index bytes 0 and 1 are the blue and green bytes of the
// packed colour (z and y); times 765.01 they become three times the slot.
vs_1_1
dcl_position v0
dcl_blendweight v1
dcl_blendindices v2
dcl_normal v3
dcl_color v4
dcl_texcoord v7
mul r0, v2.zyxw, c0.wwww
mov a0.x, r0.x
m4x3 r1.xyz, v0, c[a0.x + 8]
m3x3 r2.xyz, v3, c[a0.x + 8]
mov a0.x, r0.y
m4x3 r3.xyz, v0, c[a0.x + 8]
m3x3 r4.xyz, v3, c[a0.x + 8]
mul r1.xyz, r1.xyz, v1.xxx
mad r1.xyz, r3.xyz, v1.yyy, r1.xyz
mul r2.xyz, r2.xyz, v1.xxx
mad r2.xyz, r4.xyz, v1.yyy, r2.xyz
mov r1.w, c0.x
m4x4 r5, r1, c4
mov oPos, r5
dp3 r6.x, r2, -c1
mad r7, c2, r6.x, c3
mov r7.w, c2.w
mul oD0, r7, v4
mov oT0.xy, v7
