// A small paved courtyard in the afternoon sun: a stone ball and a planter close by, a bench,
// a fountain in the middle, a colonnade on the right and a house with an arched gate at the
// back. Units are metres. The planter is about 1.6 m from the eyes, the back of the court 12 m.
// Colours are sandstone, plaster and muted greens, so the red/cyan anaglyph stays comfortable.

#version 3.7;
#include "stereocam.inc"

global_settings {
    assumed_gamma 1.0
    max_trace_level 8
    #ifdef (Radiosity)
    radiosity {
        pretrace_start 0.08 pretrace_end 0.01
        count 70 nearest_count 5 error_bound 1.0 recursion_limit 1
        low_error_factor 0.6 gray_threshold 0.0 brightness 1
    }
    #end
}

#default { finish { ambient 0.05 diffuse 0.75 } }

StereoCamera(<0.2, 1.55, 0>, 4, 4, 1.35, 0.065, 3.6)

light_source {
    <-60, 70, -25>, rgb <1.0, 0.94, 0.84> * 1.05
    area_light <3, 0, 0>, <0, 3, 0>, 5, 5 adaptive 1 jitter circular orient
}
light_source { <0, 3, -2>, rgb <0.70, 0.76, 0.86> * 0.22 shadowless }

sky_sphere {
    pigment {
        gradient y
        color_map {
            [0.00 rgb <0.84, 0.86, 0.86>]
            [0.20 rgb <0.60, 0.70, 0.82>]
            [1.00 rgb <0.44, 0.56, 0.74>]
        }
    }
    pigment {
        bozo turbulence 0.7 octaves 6
        color_map { [0.0 rgbt 1] [0.5 rgbt 1] [0.68 rgbt <1, 1, 1, 0.35>] [1.0 rgbt <0.97, 0.97, 0.97, 0.05>] }
        scale <0.35, 0.07, 0.35>
    }
}

// ---------------------------------------------------------------- materials
#declare Sandstone = texture {
    pigment {
        granite turbulence 0.3
        color_map { [0 rgb <0.70, 0.63, 0.50>] [0.5 rgb <0.76, 0.69, 0.55>] [1 rgb <0.66, 0.58, 0.46>] }
        scale 0.6
    }
    normal { granite 0.25 scale 0.08 }
}
#declare Plaster = texture {
    pigment {
        granite color_map { [0 rgb <0.82, 0.71, 0.52>] [1 rgb <0.88, 0.78, 0.60>] }
        scale 0.8
    }
    normal { granite 0.08 scale 0.1 }
}
#declare PlasterWhite = texture {
    pigment { granite color_map { [0 rgb <0.84, 0.82, 0.76>] [1 rgb <0.90, 0.88, 0.82>] } scale 0.8 }
    normal { granite 0.08 scale 0.1 }
}
#declare Foliage = texture {
    pigment {
        granite turbulence 0.4
        color_map { [0 rgb <0.16, 0.26, 0.10>] [0.6 rgb <0.28, 0.38, 0.16>] [1 rgb <0.38, 0.46, 0.22>] }
        scale 0.25
    }
    normal { granite 1.0 scale 0.12 }
}
#declare RoofTiles = texture {
    pigment {
        gradient x
        color_map { [0 rgb <0.46, 0.30, 0.22>] [0.8 rgb <0.58, 0.40, 0.30>] [1 rgb <0.40, 0.26, 0.19>] }
        scale 0.22
    }
    normal { gradient x 0.6 scale 0.22 }
}

// ---------------------------------------------------------------- paving
plane {
    y, 0
    texture {
        pigment {
            brick pigment { rgb <0.42, 0.39, 0.34> },
            pigment {
                granite turbulence 0.4
                color_map { [0 rgb <0.62, 0.58, 0.52>] [0.5 rgb <0.70, 0.66, 0.58>] [1 rgb <0.58, 0.54, 0.47>] }
                scale 0.5
            }
            brick_size <0.6, 0.3, 0.4> mortar 0.02
        }
        normal { brick 0.5 brick_size <0.6, 0.3, 0.4> mortar 0.02 }
        finish { specular 0.05 }
        rotate x * 90
    }
    texture {
        pigment { granite color_map { [0 rgbt 1] [0.8 rgbt 1] [1 rgbt <0.5, 0.48, 0.44, 0.5>] } scale 0.05 }
        normal { granite 0.2 scale 0.03 }
    }
}

// ---------------------------------------------------------------- house at the back
#declare HouseZ = 12;
difference {
    box { <-9, 0, HouseZ>, <9, 7.5, HouseZ + 6> }
    // The gate: a round arch over a rectangular opening.
    box { <-1.3, -0.1, HouseZ - 0.1>, <1.3, 2.6, HouseZ + 6.1> }
    cylinder { <0, 2.6, HouseZ - 0.1>, <0, 2.6, HouseZ + 6.1>, 1.3 }
    // Windows.
    #for (WX, -6, 6, 3)
        #if (abs(WX) > 2)
            box { <WX - 0.5, 1.2, HouseZ - 0.1>, <WX + 0.5, 2.8, HouseZ + 0.3> }
        #end
        box { <WX - 0.5, 4.3, HouseZ - 0.1>, <WX + 0.5, 5.9, HouseZ + 0.3> }
    #end
    texture { Plaster }
}
// Dark rooms behind the windows and the passage behind the gate, with a garden beyond.
box { <-9, 0, HouseZ + 0.2>, <-1.6, 7.5, HouseZ + 0.21> pigment { rgb <0.10, 0.09, 0.08> } }
box { <1.6, 0, HouseZ + 0.2>, <9, 7.5, HouseZ + 0.21> pigment { rgb <0.10, 0.09, 0.08> } }
box { <-1.6, 3.9, HouseZ + 0.2>, <1.6, 7.5, HouseZ + 0.21> pigment { rgb <0.10, 0.09, 0.08> } }
union {
    // Window frames and shutters in a grey green.
    #for (WX, -6, 6, 3)
        #for (WY, 0, 1)
            #local Y0 = (WY = 0 ? 1.2 : 4.3);
            #if (WY = 1 | abs(WX) > 2)
                box { <WX - 0.55, Y0 - 0.08, HouseZ - 0.12>, <WX + 0.55, Y0, HouseZ + 0.1> }
                box { <WX - 0.04, Y0, HouseZ + 0.08>, <WX + 0.04, Y0 + 1.6, HouseZ + 0.12> }
                box { <WX - 0.5, Y0 + 0.8, HouseZ + 0.08>, <WX + 0.5, Y0 + 0.85, HouseZ + 0.12> }
                box { <WX - 1.05, Y0, HouseZ - 0.06>, <WX - 0.55, Y0 + 1.6, HouseZ - 0.02>
                      pigment { gradient y color_map { [0 rgb <0.36, 0.44, 0.40>] [0.85 rgb <0.36, 0.44, 0.40>]
                                                         [0.86 rgb <0.26, 0.32, 0.29>] [1 rgb <0.26, 0.32, 0.29>] }
                                scale 0.12 } }
                box { <WX + 0.55, Y0, HouseZ - 0.06>, <WX + 1.05, Y0 + 1.6, HouseZ - 0.02>
                      pigment { gradient y color_map { [0 rgb <0.36, 0.44, 0.40>] [0.85 rgb <0.36, 0.44, 0.40>]
                                                         [0.86 rgb <0.26, 0.32, 0.29>] [1 rgb <0.26, 0.32, 0.29>] }
                                scale 0.12 } }
            #end
        #end
    #end
    pigment { rgb <0.84, 0.84, 0.80> }
}
// Stone frame of the gate and a cornice.
union {
    difference {
        cylinder { <0, 2.6, HouseZ - 0.08>, <0, 2.6, HouseZ + 0.05>, 1.55 }
        cylinder { <0, 2.6, HouseZ - 0.2>, <0, 2.6, HouseZ + 0.2>, 1.3 }
        plane { y, 2.6 }
    }
    box { <-1.55, 0, HouseZ - 0.08>, <-1.3, 2.6, HouseZ + 0.05> }
    box { <1.3, 0, HouseZ - 0.08>, <1.55, 2.6, HouseZ + 0.05> }
    box { <-9, 3.6, HouseZ - 0.15>, <9, 3.8, HouseZ> }
    box { <-9, 7.3, HouseZ - 0.35>, <9, 7.55, HouseZ> }
    texture { Sandstone }
}
// Roof.
prism {
    linear_sweep linear_spline 0, 18, 4,
    <0, 0>, <6.6, 0>, <3.3, 2.2>, <0, 0>
    rotate x * -90 rotate y * 90 translate <9, 7.5, HouseZ + 6.3>
    texture { RoofTiles }
}
// A garden seen through the gate.
union {
    box { <-12, 0, HouseZ + 6>, <12, 0.02, HouseZ + 30> pigment { rgb <0.30, 0.38, 0.18> } }
    sphere { <-0.8, 1.6, HouseZ + 8>, 2.2 texture { Foliage } }
    sphere { <1.4, 2.0, HouseZ + 10>, 2.6 texture { Foliage } }
}

// ---------------------------------------------------------------- colonnade on the right
#declare ColX = 3.4;
#macro Column(P)
    union {
        box { <-0.24, 0, -0.24>, <0.24, 0.18, 0.24> }
        torus { 0.17, 0.04 translate y * 0.22 }
        cylinder { 0, y * 2.9, 0.17 }
        torus { 0.15, 0.035 translate y * 2.85 }
        cone { y * 2.88, 0.16, y * 3.05, 0.24 }
        box { <-0.26, 3.05, -0.26>, <0.26, 3.15, 0.26> }
        texture { Sandstone }
        translate P
    }
#end
#for (CZ, 2.6, 11.2, 1.7)
    Column(<ColX, 0, CZ>)
#end
union {
    box { <ColX - 0.3, 3.15, 1.8>, <ColX + 3.5, 3.5, HouseZ> texture { Sandstone } }
    box { <ColX + 3.3, 0, 1.8>, <ColX + 3.5, 3.2, HouseZ> texture { PlasterWhite } }
    box { <ColX - 0.3, 3.5, 1.8>, <ColX + 3.5, 3.55, HouseZ> pigment { rgb <0.6, 0.55, 0.46> } }
}
prism {
    linear_sweep linear_spline 0, HouseZ - 1.7, 4,
    <0, 0>, <4.2, 0>, <4.2, 1.1>, <0, 0>
    rotate x * -90 translate <ColX - 0.6, 3.55, HouseZ>
    texture { RoofTiles rotate y * 90 scale <1, 1, 1> }
}
// The floor of the arcade is a little raised.
box { <ColX - 0.45, 0, 1.8>, <ColX + 3.4, 0.08, HouseZ> texture { Sandstone } }

// ---------------------------------------------------------------- left side: wall and cypresses
box {
    <-6.0, 0, 1.5>, <-5.6, 1.6, HouseZ>
    texture { Sandstone }
}
box { <-6.1, 1.6, 1.5>, <-5.5, 1.7, HouseZ> texture { Sandstone } }
#macro Cypress(P, H)
    union {
        cylinder { 0, y * 0.6, 0.1 pigment { rgb <0.30, 0.24, 0.18> } }
        sphere { 0, 1 scale <0.55, H * 0.5, 0.55> translate y * (0.4 + H * 0.5) texture { Foliage scale 0.6 } }
        translate P
    }
#end
Cypress(<-4.6, 0, 6.5>, 5.0)
Cypress(<-4.2, 0, 9.2>, 5.8)
Cypress(<-6.8, 0, 11.0>, 6.4)

// ---------------------------------------------------------------- fountain
union {
    difference {
        cylinder { 0, y * 0.45, 1.4 }
        cylinder { y * 0.12, y * 0.6, 1.25 }
    }
    cylinder { 0, y * 1.2, 0.14 }
    lathe {
        cubic_spline 7,
        <0.00, 1.10>, <0.00, 1.10>, <0.15, 1.12>, <0.55, 1.30>, <0.50, 1.32>, <0.00, 1.25>, <0.00, 1.25>
    }
    sphere { y * 1.45, 0.14 }
    texture { Sandstone }
    translate <0.2, 0, 6.6>
}
// Water in the basin.
cylinder {
    y * 0.36, y * 0.37, 1.25
    pigment { rgb <0.22, 0.28, 0.28> }
    finish { specular 0.8 roughness 0.003 reflection { 0.1, 0.5 fresnel on } conserve_energy }
    normal { ripples 0.25 frequency 6 scale 0.6 }
    interior { ior 1.33 }
    translate <0.2, 0, 6.6>
}

// ---------------------------------------------------------------- bench
union {
    #for (I, 0, 3)
        box { <-0.9, 0.44, I * 0.11>, <0.9, 0.47, I * 0.11 + 0.085> }
    #end
    box { <-0.8, 0, 0.0>, <-0.7, 0.44, 0.42> }
    box { <0.7, 0, 0.0>, <0.8, 0.44, 0.42> }
    pigment {
        wood turbulence 0.1
        color_map { [0 rgb <0.48, 0.34, 0.22>] [1 rgb <0.38, 0.26, 0.16>] }
        scale <0.02, 0.02, 1> rotate y * 90
    }
    rotate y * -12
    translate <-2.1, 0, 5.0>
}

// ---------------------------------------------------------------- close to the viewer
// Stone planter with a round box shrub, on the left.
union {
    box { <-0.3, 0, -0.3>, <0.3, 0.5, 0.3> texture { Sandstone } }
    box { <-0.34, 0.46, -0.34>, <0.34, 0.55, 0.34> texture { Sandstone } }
    box { <-0.29, 0.5, -0.29>, <0.29, 0.56, 0.29> pigment { rgb <0.26, 0.20, 0.14> } }
    // A clipped double-ball topiary on a short stem.
    cylinder { y * 0.5, y * 1.3, 0.025 pigment { rgb <0.32, 0.25, 0.18> } }
    sphere { y * 0.82, 0.24 texture { Foliage scale 0.6 } }
    sphere { y * 1.22, 0.16 texture { Foliage scale 0.5 } }
    translate <-0.42, 0, 2.6>
}
// Stone ball on a pedestal, on the right.
union {
    box { <-0.25, 0, -0.25>, <0.25, 0.75, 0.25> }
    box { <-0.3, 0.75, -0.3>, <0.3, 0.82, 0.3> }
    sphere { y * 1.02, 0.2 }
    texture { Sandstone }
    translate <1.0, 0, 2.3>
}
// Terracotta pots by the colonnade.
#macro Pot(P, S)
    union {
        lathe {
            cubic_spline 7,
            <0.00, 0.00>, <0.00, 0.00>, <0.16, 0.00>, <0.25, 0.35>, <0.23, 0.36>, <0.00, 0.34>, <0.00, 0.34>
            pigment { rgb <0.62, 0.42, 0.30> }
            normal { bumps 0.1 scale 0.02 }
        }
        sphere { y * 0.45, 0.22 scale <1, 0.9, 1> texture { Foliage scale 0.5 } }
        scale S translate P
    }
#end
Pot(<2.7, 0, 3.4>, 1.0)
Pot(<2.75, 0, 5.1>, 0.9)
Pot(<2.7, 0, 8.5>, 1.1)
