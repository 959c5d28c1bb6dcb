// Still life on a kitchen table: fruit, a bowl, a vase, a bottle, books and a candle, with a
// window in the back wall that opens onto a garden. Units are metres. The nearest fruit is
// about 1.6 m from the eyes, the back wall 5.5 m, the trees in the garden 9 to 14 m.
// Colours are kept earthy and moderate so that the pair makes a comfortable red/cyan anaglyph.

#version 3.7;
#include "stereocam.inc"

global_settings {
    assumed_gamma 1.0
    max_trace_level 8
    #ifdef (Radiosity)
    radiosity {
        pretrace_start 0.08 pretrace_end 0.01
        count 80 nearest_count 6 error_bound 0.9 recursion_limit 1
        low_error_factor 0.6 gray_threshold 0.0 brightness 1
    }
    #end
}

#default { finish { ambient 0.06 diffuse 0.78 } }

StereoCamera(<0, 1.30, 0>, 8, 0, 1.45, 0.065, 2.5)

// Sun coming over the viewer's left shoulder, slightly soft; a faint fill from the front.
light_source {
    <-22, 34, -40>, rgb <1.0, 0.95, 0.86> * 1.05
    area_light <2, 0, 0>, <0, 2, 0>, 5, 5 adaptive 1 jitter circular orient
}
light_source { <0.3, 1.8, -1>, rgb <0.72, 0.76, 0.82> * 0.28 shadowless }

// ---------------------------------------------------------------- materials
#declare TableWood = texture {
    pigment {
        wood turbulence 0.08 ramp_wave
        color_map {
            [0.0 rgb <0.50, 0.32, 0.17>]
            [0.6 rgb <0.42, 0.26, 0.13>]
            [1.0 rgb <0.33, 0.20, 0.10>]
        }
        scale <0.05, 0.05, 1> rotate y * 88 translate <0.3, 0, 0>
    }
    normal { wood 0.05 scale <0.05, 0.05, 1> rotate y * 88 }
    finish { specular 0.25 roughness 0.02 reflection 0.03 }
}
#declare FloorWood = texture {
    pigment {
        gradient x
        color_map {
            [0.00 rgb <0.30, 0.20, 0.12>]
            [0.02 rgb <0.30, 0.20, 0.12>]
            [0.03 rgb <0.46, 0.32, 0.19>]
            [0.60 rgb <0.42, 0.29, 0.17>]
            [1.00 rgb <0.38, 0.26, 0.15>]
        }
        scale 0.18
    }
    finish { specular 0.2 roughness 0.03 }
}
#declare Plaster = texture {
    pigment { granite color_map { [0 rgb <0.82, 0.74, 0.60>] [1 rgb <0.88, 0.80, 0.66>] } scale 0.3 }
    normal { granite 0.06 scale 0.08 }
}
#declare Linen = texture {
    pigment {
        gradient x
        color_map {
            [0.00 rgb <0.82, 0.80, 0.72>]
            [0.70 rgb <0.82, 0.80, 0.72>]
            [0.72 rgb <0.45, 0.52, 0.46>]
            [0.80 rgb <0.45, 0.52, 0.46>]
            [0.82 rgb <0.82, 0.80, 0.72>]
        }
        scale 0.12
    }
    normal { bumps 0.08 scale 0.004 }
}
#declare Glaze = finish { specular 0.6 roughness 0.006 reflection { 0.02, 0.12 fresnel on } conserve_energy }
#declare FruitSkin = finish { specular 0.35 roughness 0.02 diffuse 0.8 }

// ---------------------------------------------------------------- room
#declare RoomBack = 4.5;
union {
    // Back wall with a window opening.
    difference {
        box { <-3, 0, RoomBack>, <3, 2.8, RoomBack + 0.25> }
        box { <-0.4, 0.9, RoomBack - 0.1>, <1.8, 2.0, RoomBack + 0.4> }
    }
    box { <-3, 0, 0.5>, <-2.9, 2.8, RoomBack> }     // left wall
    box { <2.9, 0, 0.5>, <3, 2.8, RoomBack> }       // right wall
    texture { Plaster }
}
// Skirting board and window frame.
union {
    box { <-3, 0, RoomBack - 0.02>, <3, 0.12, RoomBack> }
    box { <-0.48, 0.82, RoomBack - 0.12>, <1.88, 0.9, RoomBack + 0.05> } // sill
    box { <-0.46, 2.0, RoomBack - 0.03>, <1.86, 2.07, RoomBack + 0.05> }
    box { <-0.46, 0.9, RoomBack - 0.03>, <-0.4, 2.0, RoomBack + 0.05> }
    box { <1.8, 0.9, RoomBack - 0.03>, <1.86, 2.0, RoomBack + 0.05> }
    box { <0.68, 0.9, RoomBack + 0.02>, <0.72, 2.0, RoomBack + 0.06> }  // mullion
    box { <-0.4, 1.53, RoomBack + 0.02>, <1.8, 1.57, RoomBack + 0.06> }   // transom
    pigment { rgb <0.90, 0.89, 0.85> }
    finish { specular 0.3 roughness 0.02 }
}
plane { y, 0 texture { FloorWood } }

// A small framed picture on the left of the window: abstract hills in muted tones.
union {
    box { <-1.95, 1.2, RoomBack - 0.04>, <-1.15, 1.78, RoomBack> pigment { rgb <0.25, 0.18, 0.12> } }
    box {
        <-1.89, 1.26, RoomBack - 0.05>, <-1.21, 1.72, RoomBack - 0.04>
        pigment {
            gradient y
            color_map {
                [0.00 rgb <0.35, 0.42, 0.30>]
                [0.45 rgb <0.48, 0.52, 0.36>]
                [0.46 rgb <0.70, 0.74, 0.78>]
                [1.00 rgb <0.55, 0.62, 0.72>]
            }
            warp { turbulence 0.15 } scale 0.46 translate y * 1.26
        }
    }
}

// ---------------------------------------------------------------- garden outside
sky_sphere {
    pigment {
        gradient y
        color_map {
            [0.00 rgb <0.82, 0.86, 0.88>]
            [0.25 rgb <0.58, 0.70, 0.84>]
            [1.00 rgb <0.42, 0.56, 0.76>]
        }
    }
    pigment {
        bozo turbulence 0.6 octaves 5
        color_map { [0.0 rgbt 1] [0.5 rgbt 1] [0.7 rgbt <1, 1, 1, 0.3>] [1.0 rgbt <1, 1, 1, 0.1>] }
        scale <0.3, 0.08, 0.3>
    }
}
plane {
    y, -0.01
    clipped_by { plane { -z, -(RoomBack + 0.25) } }
    pigment { granite color_map { [0 rgb <0.28, 0.36, 0.18>] [1 rgb <0.36, 0.44, 0.22>] } scale 0.6 }
    normal { bumps 0.3 scale 0.05 }
}
#declare TreeRand = seed(7);
#macro Tree(P, S)
    union {
        cylinder { 0, y * 1.6, 0.12 pigment { rgb <0.30, 0.23, 0.16> } }
        #local I = 0;
        #while (I < 7)
            sphere {
                <rand(TreeRand) - 0.5, 2.4 + rand(TreeRand) * 1.2, rand(TreeRand) - 0.5> * <1.6, 1, 1.6>,
                0.9 + rand(TreeRand) * 0.5
            }
            #local I = I + 1;
        #end
        texture {
            pigment { granite color_map { [0 rgb <0.20, 0.32, 0.12>] [1 rgb <0.34, 0.44, 0.18>] } scale 0.4 }
            normal { granite 0.8 scale 0.25 }
        }
        scale S translate P
    }
#end
Tree(<-1.4, 0, 11.0>, 0.55)
Tree(<2.8, 0, 14.5>, 0.7)
Tree(<0.9, 0, 10.0>, 0.45)
Tree(<4.0, 0, 10.5>, 0.5)
Tree(<-0.4, 0, 18.0>, 0.8)
// A low garden wall and distant hills.
box {
    <-8, 0, 8.0>, <8, 0.8, 8.3>
    pigment { granite color_map { [0 rgb <0.62, 0.56, 0.48>] [1 rgb <0.72, 0.66, 0.56>] } scale 0.2 }
    normal { granite 0.4 scale 0.1 }
}
sphere {
    <10, -88, 150>, 100 scale <1.4, 1, 1>
    pigment { granite color_map { [0 rgb <0.40, 0.46, 0.30>] [1 rgb <0.48, 0.54, 0.38>] } scale 8 }
}

// ---------------------------------------------------------------- table
#declare TableTop = 0.76;
union {
    box { <-1.0, TableTop - 0.05, 1.2>, <1.0, TableTop, 2.9> }
    #for (LX, -1, 1, 2)
        #for (LZ, 0, 1)
            box { <-0.04, 0, -0.04>, <0.04, TableTop - 0.05, 0.04>
                  translate <LX * 0.92, 0, 1.3 + LZ * 1.5> }
        #end
    #end
    texture { TableWood }
}
// Linen runner across the table.
box {
    <-1.0, TableTop, 1.7>, <1.0, TableTop + 0.003, 2.5>
    texture { Linen rotate y * 90 }
}

// ---------------------------------------------------------------- objects on the table
// Shallow bowl with fruit.
#declare Bowl = lathe {
    cubic_spline 9,
    <0.00, 0.00>, <0.00, 0.00>, <0.06, 0.00>, <0.15, 0.045>, <0.19, 0.11>,
    <0.18, 0.112>, <0.14, 0.055>, <0.00, 0.025>, <0.00, 0.025>
    texture {
        pigment {
            gradient y
            color_map { [0 rgb <0.30, 0.40, 0.48>] [0.5 rgb <0.52, 0.60, 0.62>] [1 rgb <0.86, 0.84, 0.76>] }
            scale 0.112
        }
        finish { Glaze }
    }
}
object { Bowl translate <0.18, TableTop, 2.0> }

#macro Apple(P, R, Col, Rot)
    union {
        sphere { 0, 1 scale <1, 0.88, 1> }
        cylinder { y * 0.75, y * 1.05, 0.05 pigment { rgb <0.28, 0.20, 0.10> } rotate z * 12 }
        pigment {
            bozo turbulence 0.6
            color_map { [0 rgb Col] [1 rgb Col * <1.15, 0.9, 0.8>] }
            scale 0.4
        }
        normal { bumps 0.05 scale 0.1 }
        finish { FruitSkin }
        scale R rotate Rot translate P + y * R * 0.88
    }
#end
#macro Lemon(P, R, Rot)
    sphere {
        0, 1 scale <1.3, 0.95, 0.95>
        pigment { rgb <0.86, 0.74, 0.22> }
        normal { dents 0.4 scale 0.05 }
        finish { FruitSkin }
        scale R rotate Rot translate P + y * R * 0.95
    }
#end
#declare Pear = blob {
    threshold 0.5
    sphere { <0, 0.45, 0>, 0.70, 1 }
    sphere { <0, 0.95, 0>, 0.42, 1 }
    sphere { <0, 1.25, 0>, 0.25, 0.6 }
    pigment {
        bozo turbulence 0.8
        color_map { [0 rgb <0.70, 0.68, 0.28>] [0.7 rgb <0.62, 0.64, 0.26>] [1 rgb <0.66, 0.48, 0.24>] }
        scale 0.3
    }
    normal { bumps 0.08 scale 0.05 }
    finish { FruitSkin }
}

// In the bowl.
Apple(<0.12, TableTop + 0.035, 1.97>, 0.045, <0.55, 0.66, 0.24>, <10, 30, 0>)
Apple(<0.25, TableTop + 0.035, 1.95>, 0.043, <0.62, 0.68, 0.26>, <-8, 80, 5>)
Lemon(<0.18, TableTop + 0.035, 2.09>, 0.04, <0, 40, 0>)
Apple(<0.18, TableTop + 0.105, 2.02>, 0.042, <0.70, 0.56, 0.24>, <0, 140, 12>)
// Loose on the table, nearest to the viewer.
object { Pear scale 0.09 rotate <0, 0, -8> translate <-0.30, TableTop, 1.42> }
Lemon(<-0.06, TableTop, 1.50>, 0.045, <0, -25, 0>)

// Vase.
lathe {
    cubic_spline 11,
    <0.000, -0.01>, <0.000, 0.000>, <0.060, 0.000>, <0.100, 0.060>, <0.115, 0.150>,
    <0.085, 0.250>, <0.048, 0.310>, <0.045, 0.350>, <0.062, 0.385>, <0.052, 0.390>,
    <0.040, 0.370>
    texture {
        pigment {
            gradient y turbulence 0.05
            color_map { [0 rgb <0.32, 0.38, 0.46>] [0.6 rgb <0.44, 0.50, 0.56>] [1 rgb <0.66, 0.66, 0.62>] }
            scale 0.39
        }
        finish { Glaze }
    }
    translate <-0.50, TableTop, 2.30>
}
// Dried stalks in the vase.
union {
    #declare StalkRand = seed(3);
    #for (I, 0, 6)
        #local A = rand(StalkRand) * 360;
        #local T = 8 + rand(StalkRand) * 14;
        #local L = 0.45 + rand(StalkRand) * 0.25;
        union {
            cylinder { 0, y * L, 0.004 }
            sphere { 0, 0.016 scale <1, 1.8, 1> translate y * L }
            rotate z * T rotate y * A
        }
    #end
    pigment { rgb <0.62, 0.52, 0.34> }
    translate <-0.50, TableTop + 0.2, 2.30>
}

// Wine bottle.
lathe {
    cubic_spline 10,
    <0.000, -0.01>, <0.000, 0.000>, <0.038, 0.000>, <0.038, 0.200>, <0.030, 0.250>,
    <0.013, 0.290>, <0.013, 0.330>, <0.015, 0.335>, <0.000, 0.336>, <0.000, 0.340>
    pigment { rgb <0.05, 0.13, 0.08> }
    finish { specular 0.9 roughness 0.002 reflection { 0.05, 0.2 fresnel on } conserve_energy }
    translate <0.58, TableTop, 1.95>
}

// Stack of books.
#macro Book(W, D, H, Col)
    union {
        box { <0, 0, 0>, <W, H, D> pigment { rgb Col } }
        box { <0.006, 0.004, 0.004>, <W + 0.002, H - 0.004, D - 0.004> pigment { rgb <0.88, 0.85, 0.76> } }
        finish { specular 0.1 roughness 0.05 }
    }
#end
union {
    object { Book(0.24, 0.17, 0.035, <0.26, 0.30, 0.38>) }
    object { Book(0.22, 0.16, 0.030, <0.52, 0.46, 0.26>) rotate y * 6 translate <0.01, 0.035, 0> }
    object { Book(0.20, 0.15, 0.028, <0.34, 0.40, 0.28>) rotate y * -5 translate <0.02, 0.065, 0.01> }
    rotate y * -20
    translate <0.50, TableTop, 2.45>
}

// Candle in a brass holder.
union {
    lathe {
        cubic_spline 8,
        <0.000, 0.000>, <0.000, 0.000>, <0.060, 0.000>, <0.060, 0.010>, <0.015, 0.030>,
        <0.022, 0.060>, <0.000, 0.060>, <0.000, 0.060>
        pigment { rgb <0.70, 0.55, 0.30> }
        finish { metallic specular 0.8 roughness 0.01 reflection 0.25 }
    }
    cylinder {
        y * 0.05, y * 0.24, 0.019
        pigment { rgb <0.92, 0.90, 0.82> }
        finish { diffuse 0.9 }
    }
    cylinder { y * 0.24, y * 0.255, 0.0015 pigment { rgb 0.1 } }
    sphere {
        0, 1 scale <0.007, 0.018, 0.007> translate y * 0.27
        pigment { rgb <1.0, 0.82, 0.45> }
        finish { ambient 1 diffuse 0 emission 0.6 }
        no_shadow
    }
    translate <-0.05, TableTop, 2.62>
}

// Mug near the right edge.
union {
    difference {
        cylinder { 0, y * 0.1, 0.042 }
        cylinder { y * 0.008, y * 0.12, 0.037 }
    }
    torus { 0.028, 0.007 rotate x * 90 scale <1, 1.1, 1> translate <0.048, 0.052, 0> }
    pigment { rgb <0.86, 0.84, 0.78> }
    finish { Glaze }
    rotate y * 200
    translate <0.40, TableTop, 1.52>
}
