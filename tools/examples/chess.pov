// Garden chess: a game in progress on a large stone board laid into a gravel terrace, with a
// hedge and trees behind it. Units are metres; the squares are half a metre wide and the
// kings 85 cm tall. The nearest pieces are about 2.3 m from the eyes, the trees 11 to 16 m.
// Pieces are cream and dark walnut rather than white and black, which keeps the anaglyph calm.

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

StereoCamera(<0.15, 1.5, 0>, 15, 0, 1.2, 0.065, 3.4)

light_source {
    <45, 60, -20>, rgb <1.0, 0.95, 0.86> * 1.0
    area_light <3, 0, 0>, <0, 3, 0>, 5, 5 adaptive 1 jitter circular orient
}
light_source { <-1, 3, -2>, rgb <0.70, 0.76, 0.86> * 0.22 shadowless }

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
#declare Foliage = texture {
    pigment {
        granite turbulence 0.4
        color_map { [0 rgb <0.16, 0.26, 0.10>] [0.6 rgb <0.28, 0.38, 0.16>] [1 rgb <0.38, 0.46, 0.22>] }
        scale 0.3
    }
    normal { granite 1.0 scale 0.15 }
}
#declare LightPiece = texture {
    pigment { rgb <0.80, 0.76, 0.66> }
    finish { specular 0.5 roughness 0.01 reflection { 0.02, 0.1 fresnel on } conserve_energy }
}
#declare DarkPiece = texture {
    pigment {
        wood turbulence 0.05
        color_map { [0 rgb <0.34, 0.22, 0.14>] [1 rgb <0.26, 0.16, 0.10>] }
        scale 0.03
    }
    finish { specular 0.6 roughness 0.008 reflection { 0.03, 0.12 fresnel on } conserve_energy }
}

// ---------------------------------------------------------------- terrace and board
plane {
    y, 0
    pigment { granite color_map { [0 rgb <0.56, 0.52, 0.46>] [0.5 rgb <0.66, 0.62, 0.54>] [1 rgb <0.50, 0.46, 0.40>] } scale 0.08 }
    normal { granite 0.6 scale 0.03 }
}
#declare BoardX = -2.0;
#declare BoardZ = 1.9;
#declare Sq = 0.5;
box {
    <BoardX - 0.2, 0, BoardZ - 0.2>, <BoardX + 8 * Sq + 0.2, 0.03, BoardZ + 8 * Sq + 0.2>
    pigment { granite color_map { [0 rgb <0.58, 0.54, 0.48>] [1 rgb <0.64, 0.60, 0.52>] } scale 0.3 }
    normal { granite 0.2 scale 0.05 }
}
#for (I, 0, 7)
    #for (J, 0, 7)
        box {
            <BoardX + I * Sq + 0.012, 0.03, BoardZ + J * Sq + 0.012>,
            <BoardX + (I + 1) * Sq - 0.012, 0.045, BoardZ + (J + 1) * Sq - 0.012>
            #if (mod(I + J, 2) = 0)
                pigment { granite color_map { [0 rgb <0.34, 0.33, 0.31>] [1 rgb <0.42, 0.40, 0.37>] } scale 0.2 }
            #else
                pigment { granite color_map { [0 rgb <0.76, 0.72, 0.64>] [1 rgb <0.82, 0.78, 0.70>] } scale 0.2 }
            #end
            normal { granite 0.15 scale 0.04 }
            finish { specular 0.15 roughness 0.03 }
        }
    #end
#end

// ---------------------------------------------------------------- pieces
// The turned foot that every piece stands on; H is the height where the stem ends.
#macro Foot(R, H)
    lathe {
        cubic_spline 9,
        <0.00, 0.00>, <0.00, 0.00>, <R, 0.00>, <R, 0.04>, <R * 0.82, 0.075>, <R * 0.5, 0.13>,
        <R * 0.36, H>, <0.00, H>, <0.00, H>
    }
#end
#macro Collar(R, Y)
    lathe {
        cubic_spline 6,
        <0.00, Y - 0.02>, <0.00, Y - 0.02>, <R, Y>, <R * 0.9, Y + 0.025>, <0.00, Y + 0.03>, <0.00, Y + 0.03>
    }
#end
#declare Pawn = union {
    Foot(0.15, 0.26)
    Collar(0.10, 0.25)
    sphere { y * 0.35, 0.085 }
}
#declare Rook = union {
    Foot(0.17, 0.42)
    Collar(0.13, 0.41)
    difference {
        cylinder { y * 0.43, y * 0.56, 0.125 }
        cylinder { y * 0.49, y * 0.6, 0.085 }
        #for (A, 0, 135, 45)
            box { <-0.2, 0.51, -0.022>, <0.2, 0.6, 0.022> rotate y * A }
        #end
    }
}
#declare Bishop = union {
    Foot(0.16, 0.46)
    Collar(0.11, 0.45)
    difference {
        sphere { 0, 1 scale <0.085, 0.13, 0.085> translate y * 0.58 }
        box { <-0.1, -0.012, -0.2>, <0.1, 0.012, 0.2> rotate z * 40 translate <0.03, 0.63, 0> }
    }
    sphere { y * 0.73, 0.03 }
}
#declare Knight = union {
    Foot(0.16, 0.16)
    Collar(0.13, 0.15)
    prism {
        linear_sweep linear_spline -0.055, 0.055, 14,
        <-0.10, 0.16>, <0.10, 0.16>, <0.09, 0.26>, <0.05, 0.33>, <0.14, 0.39>, <0.17, 0.45>,
        <0.15, 0.49>, <0.06, 0.50>, <0.02, 0.58>, <-0.03, 0.61>, <-0.06, 0.57>, <-0.12, 0.47>,
        <-0.13, 0.32>, <-0.10, 0.16>
        rotate x * -90
    }
    // Mane and ears.
    box { <-0.135, 0.30, -0.03>, <-0.10, 0.55, 0.03> rotate z * -8 }
    cone { <-0.01, 0.58, 0.03>, 0.02, <-0.02, 0.65, 0.03>, 0.0 }
    cone { <-0.01, 0.58, -0.03>, 0.02, <-0.02, 0.65, -0.03>, 0.0 }
}
#declare Queen = union {
    Foot(0.18, 0.62)
    Collar(0.12, 0.60)
    lathe {
        cubic_spline 6,
        <0.00, 0.62>, <0.00, 0.62>, <0.07, 0.64>, <0.12, 0.72>, <0.00, 0.70>, <0.00, 0.70>
    }
    #for (A, 0, 330, 30)
        sphere { <0.115, 0.725, 0>, 0.018 rotate y * A }
    #end
    sphere { y * 0.74, 0.06 }
    sphere { y * 0.81, 0.028 }
}
#declare King = union {
    Foot(0.18, 0.66)
    Collar(0.12, 0.64)
    lathe {
        cubic_spline 6,
        <0.00, 0.66>, <0.00, 0.66>, <0.07, 0.68>, <0.11, 0.75>, <0.00, 0.76>, <0.00, 0.76>
    }
    box { <-0.018, 0.75, -0.018>, <0.018, 0.88, 0.018> }
    box { <-0.05, 0.80, -0.018>, <0.05, 0.835, 0.018> }
}

// Place(Piece, file 1..8 from the left, rank 1..8 from the front, turn, dark?)
#macro Place(P, File, Rank, Turn, Dark)
    object {
        P
        rotate y * Turn
        #if (Dark) texture { DarkPiece } #else texture { LightPiece } #end
        translate <BoardX + (File - 0.5) * Sq, 0.045, BoardZ + (Rank - 0.5) * Sq>
    }
#end

// The light side, nearest to the viewer.
Place(King, 7, 1, 0, false)
Place(Rook, 6, 1, 0, false)
Place(Pawn, 6, 2, 0, false)
Place(Pawn, 7, 2, 0, false)
Place(Pawn, 8, 3, 0, false)
Place(Pawn, 5, 4, 0, false)
Place(Pawn, 4, 3, 0, false)
Place(Pawn, 1, 2, 0, false)
Place(Pawn, 2, 2, 0, false)
Place(Knight, 6, 3, 200, false)
Place(Bishop, 3, 4, 0, false)
Place(Queen, 4, 2, 0, false)
Place(Rook, 1, 1, 0, false)
// The dark side.
Place(King, 7, 8, 0, true)
Place(Rook, 5, 8, 0, true)
Place(Queen, 4, 8, 0, true)
Place(Pawn, 6, 7, 0, true)
Place(Pawn, 7, 7, 0, true)
Place(Pawn, 8, 6, 0, true)
Place(Pawn, 5, 5, 0, true)
Place(Pawn, 4, 6, 0, true)
Place(Pawn, 3, 7, 0, true)
Place(Pawn, 1, 7, 0, true)
Place(Knight, 3, 6, -20, true)
Place(Bishop, 5, 7, 0, true)
Place(Rook, 1, 8, 0, true)
// A captured light knight lying beside the board, well inside the picture.
object {
    Knight rotate z * 90 rotate y * 60
    texture { LightPiece }
    translate <BoardX - 0.35, 0.16, BoardZ + 4.3>
}

// ---------------------------------------------------------------- garden behind
box {
    <-200, -0.1, 9.4>, <200, 0.01, 300>
    pigment { granite color_map { [0 rgb <0.30, 0.38, 0.18>] [1 rgb <0.38, 0.46, 0.22>] } scale 2 }
}
sphere {
    <-30, -140, 260>, 150 scale <1.6, 1, 1>
    pigment { granite color_map { [0 rgb <0.42, 0.48, 0.36>] [1 rgb <0.50, 0.56, 0.44>] } scale 10 }
}
box {
    <-12, 0, 8.5>, <12, 1.2, 9.4>
    texture { Foliage }
}
#declare TreeRand = seed(11);
#macro Tree(P, S)
    union {
        cylinder { 0, y * 2.2, 0.16 pigment { rgb <0.30, 0.23, 0.16> } }
        #local I = 0;
        #while (I < 8)
            sphere {
                <rand(TreeRand) - 0.5, 3.2 + rand(TreeRand) * 1.6, rand(TreeRand) - 0.5> * <2.2, 1, 2.2>,
                1.1 + rand(TreeRand) * 0.6
            }
            #local I = I + 1;
        #end
        texture { Foliage scale 1.5 }
        scale S translate P
    }
#end
Tree(<-4.5, 0, 12.0>, 1.0)
Tree(<0.5, 0, 15.5>, 1.1)
Tree(<5.0, 0, 11.5>, 0.9)
Tree(<-9.0, 0, 16.0>, 1.2)
Tree(<9.0, 0, 17.0>, 1.0)
// A stone urn on the left of the board.
union {
    box { <-0.22, 0, -0.22>, <0.22, 0.6, 0.22> }
    lathe {
        cubic_spline 9,
        <0.00, 0.60>, <0.00, 0.60>, <0.12, 0.60>, <0.08, 0.68>, <0.22, 0.82>, <0.26, 0.98>,
        <0.20, 1.00>, <0.00, 0.97>, <0.00, 0.97>
    }
    pigment { granite color_map { [0 rgb <0.66, 0.62, 0.54>] [1 rgb <0.74, 0.70, 0.62>] } scale 0.3 }
    normal { granite 0.3 scale 0.05 }
    translate <-2.7, 0, 4.2>
}
sphere { <-2.7, 1.08, 4.2>, 0.2 scale <1, 0.7, 1> translate y * 0.35 texture { Foliage scale 0.3 } }
