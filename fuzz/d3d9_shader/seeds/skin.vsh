vs_2_0
dcl_position v0
dcl_blendindices v1
dcl_normal v2
dcl_texcoord v3
defi i0, 2, 1, 3, 0
def c250, 0, 0, 0, 765.01
mul r0, v1.zyxw, c250.wwww
mova a0.x, r0.x
m4x3 r1.xyz, v0, c[a0.x + 8]
mov r1.w, v0.w
loop aL, i0
add r1, r1, c[aL + 1]
endloop
m4x4 oPos, r1, c0
nrm r2, v2
dp3 r3.x, r2, c4
lit r4, r3
exp r5, r3.x
logp r6, r3.x
mov oD0, r4
mov oT0, v3
mov oFog, r3.x
