// Four reads that cover a 4 x 4 block of the source with bilinear filtering: the rectangle's
// coordinates fall on the block's second texel edge, so reads at +0 and +2 texels each average
// two texels a side. c0.xy = the source's size in texels.
vs_2_0
dcl_position v0
dcl_color v1
dcl_texcoord0 v2
def c1, 2, 0, 0, 0
mov oPos, v0
mov oD0, v1
rcp r0.x, c0.x
rcp r0.y, c0.y
mul r0.xy, r0, c1.x
mov oT0.xy, v2
add oT1.x, v2.x, r0.x
mov oT1.y, v2.y
mov oT2.x, v2.x
add oT2.y, v2.y, r0.y
add oT3.xy, v2, r0
