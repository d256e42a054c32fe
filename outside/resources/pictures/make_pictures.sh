#!/bin/sh
# Draws the pictures of the wizard pages (ImageMagick) into this folder. The files are committed; run this only to change a picture.
#
#   page backgrounds, 558 x 392: bg129 mouse settings, bg130 mobile service, bg132 e-mail,
#     bg135 password, bg136 PIN, bg137 promotion, bg138 address, bg164 country,
#     done133 / done204 / done202 / done203 completion with the chosen action (right click,
#     middle click, Shift + right click, right button held)
#   wizard sheet: wm131 watermark (164 x 314), hd134 header (49 x 49)
#   mouse page: desc142 / desc143 / desc145 / desc144 the four actions (170 x 200),
#     opt146 / opt147 option button normal / selected, deco182 ribbon, deco206 logo,
#     deco205 a look-up over a word
#   anim207 middle click, anim208 right button held, anim209 right click,
#     anim210 Shift + right click: full-page GIF animations
#
# Backgrounds are 16-colour BMPs (uncompressed, so every way of loading a bitmap takes
# them); the animations are frame-optimised GIFs.
set -e
cd "$(dirname "$0")"

BLUE='#1e5aa8'; LIGHT='#3d7cc9'; PALE='#eef3fa'; INK='#33404f'; RED='#e53935'
ORANGE='#ffb74d'; GREEN='#2e8b3a'; GREY='#c9d1dc'
FONT=DejaVu-Sans-Bold

# MVG of a mouse (90 x 145 at scale 1) at $1,$2 scaled $3 with button $4 pressed
# (none, right, middle).
mouse() {
    press=""
    case "$4" in
        right) press="fill '$RED' path 'M 45,0 L 45,55 L 90,55 L 90,45 A 45,45 0 0 0 45,0 Z'" ;;
        middle) press="fill '$RED' roundrectangle 38,12 52,42 7,7" ;;
    esac
    echo "push graphic-context translate $1,$2 scale $3,$3 stroke '$INK' stroke-width 2.5
          fill none path 'M 45,0 C 45,-22 75,-22 75,-48'
          fill '#fbfbfb' path 'M 0,45 A 45,45 0 0 1 90,45 L 90,100 A 45,45 0 0 1 0,100 Z'
          $press fill none line 45,0 45,55 line 0,55 90,55
          fill '#fbfbfb' roundrectangle 39,14 51,40 6,6 $( [ "$4" = middle ] && echo "fill '$RED' roundrectangle 39,14 51,40 6,6")
          pop graphic-context"
}

# MVG of the Shift key at $1,$2, pressed when $3 is 1.
shiftkey() {
    fill='#ffffff'; dy=0
    [ "$3" = 1 ] && fill="$ORANGE" && dy=3
    echo "push graphic-context translate $1,$(($2 + dy)) stroke '$INK' stroke-width 2
          fill '#9aa6b5' roundrectangle 2,$((6 - dy)) 122,$((52 - dy)) 8,8
          fill '$fill' roundrectangle 0,0 120,46 8,8
          fill none polygon 14,28 24,12 34,28 28,28 28,36 20,36 20,28
          stroke none fill '$INK' font $FONT font-size 16 text 46,29 'Shift'
          pop graphic-context"
}

# MVG of a text window (lines of "words") at $1,$2, 220 x 130, with the word under the
# pointer marked when $3 is 1.
textwindow() {
    mark=""
    [ "$3" = 1 ] && mark="fill '#fff176' rectangle 72,54 122,68"
    echo "push graphic-context translate $1,$2 stroke '$INK' stroke-width 1.5
          fill white rectangle 0,0 220,130 fill '$LIGHT' rectangle 0,0 220,16 stroke none
          $mark fill '#8c97a6'
          rectangle 12,30 62,38 rectangle 70,30 120,38 rectangle 128,30 200,38
          rectangle 12,58 64,66 rectangle 76,58 118,66 rectangle 130,58 190,66
          rectangle 12,86 90,94 rectangle 98,86 150,94 rectangle 158,86 206,94
          rectangle 12,112 70,120 rectangle 78,112 140,120
          pop graphic-context"
}

# MVG of a circular arc as short lines (ImageMagick 6 strokes open paths and polylines
# closed): centre $1,$2, radius $3, from angle $4 to $5 (degrees, clockwise on the screen,
# 0 = right).
arc() {
    awk -v cx="$1" -v cy="$2" -v r="$3" -v a="$4" -v b="$5" 'BEGIN {
        d = 3.14159265 / 180; x = cx + r * cos(a * d); y = cy + r * sin(a * d)
        for (t = a + 6; t < b + 6; t += 6) {
            if (t > b) t = b
            nx = cx + r * cos(t * d); ny = cy + r * sin(t * d)
            printf " line %.1f,%.1f %.1f,%.1f", x, y, nx, ny; x = nx; y = ny }
        print "" }'
}

# MVG of the arrow pointer with its tip at $1,$2.
pointer() {
    echo "push graphic-context translate $1,$2 stroke '$INK' stroke-width 1.5 fill white
          polygon 0,0 0,22 6,17 10,26 14,24 10,16 17,16
          pop graphic-context"
}

# MVG of the dictionary pop-up (a bubble with a headword and its lines) at $1,$2.
popup() {
    echo "push graphic-context translate $1,$2 stroke '$BLUE' stroke-width 2 fill '#fffde7'
          path 'M 0,10 Q 0,0 10,0 L 150,0 Q 160,0 160,10 L 160,62 Q 160,72 150,72 L 40,72 L 24,88 L 26,72 L 10,72 Q 0,72 0,62 Z'
          stroke none fill '$BLUE' rectangle 12,12 70,22 fill '#8c97a6'
          rectangle 12,32 148,38 rectangle 12,46 130,52 rectangle 12,58 100,62
          pop graphic-context"
}

# The Lexipop mark: a blue bubble with a white "L" and a pop spark, at $1,$2 scaled $3.
logo() {
    echo "push graphic-context translate $1,$2 scale $3,$3 stroke white stroke-width 2
          fill '$ORANGE' circle 38,10 44,10
          fill '$LIGHT' path 'M 0,14 Q 0,4 10,4 L 30,4 Q 40,4 40,14 L 40,30 Q 40,40 30,40 L 16,40 L 6,48 L 8,40 Q 0,40 0,30 Z'
          stroke none fill white rectangle 12,11 17,32 rectangle 12,27 28,32
          pop graphic-context"
}

# Page background with the banner; extra MVG in $2; written to $1.
page() {
    convert -size 558x392 xc:white \
        -fill "$BLUE" -draw "rectangle 0,0 557,63" -fill "$LIGHT" -draw "rectangle 0,64 557,69" \
        -fill "$PALE" -draw "rectangle 0,300 557,391" -fill "$GREY" -draw "rectangle 0,300 557,301" \
        -draw "$(logo 14 8 1)" \
        -fill white -font "$FONT" -pointsize 22 -draw "text 70,42 'Lexipop'" \
        -draw "$2" +dither -colors 16 -type Palette "BMP3:$1"
}

# Small 16-colour BMP of size $2 with MVG $3, to $1.
small() {
    convert -size "$2" xc:white -draw "$3" +dither -colors 16 -type Palette "BMP3:$1"
}

envelope="push graphic-context translate 420,110 stroke '$INK' stroke-width 2.5 fill white
    rectangle 0,0 110,72 fill none polyline 0,0 55,40 110,0 line 0,72 40,32 line 110,72 70,32
    stroke '$BLUE' stroke-width 4 circle 98,70 112,70 pop graphic-context"
padlock="push graphic-context translate 440,96 stroke '$INK' stroke-width 3
    fill none path 'M 16,40 L 16,22 A 24,24 0 0 1 64,22 L 64,40'
    fill '$ORANGE' roundrectangle 0,40 80,110 8,8 fill '$INK' circle 40,68 40,76 rectangle 37,72 43,92
    pop graphic-context"
keypad="push graphic-context translate 430,96 stroke '$INK' stroke-width 2 fill '$GREY'
    roundrectangle 0,0 100,130 10,10 fill white
    roundrectangle 12,12 36,36 4,4 roundrectangle 38,12 62,36 4,4 roundrectangle 64,12 88,36 4,4
    roundrectangle 12,44 36,68 4,4 roundrectangle 38,44 62,68 4,4 roundrectangle 64,44 88,68 4,4
    roundrectangle 12,76 36,100 4,4 roundrectangle 38,76 62,100 4,4 roundrectangle 64,76 88,100 4,4
    fill '$GREEN' roundrectangle 38,106 62,124 4,4 pop graphic-context"
globe="push graphic-context translate 420,90 stroke '$BLUE' stroke-width 2.5 fill '#dcebfa'
    circle 60,60 60,2 fill none ellipse 60,60 25,58 0,360 line 2,60 118,60
    path 'M 10,30 Q 60,42 110,30' path 'M 10,90 Q 60,78 110,90'
    stroke none fill '$GREEN' path 'M 30,24 Q 50,14 58,30 Q 48,46 34,40 Z' path 'M 70,70 Q 92,62 96,84 Q 80,102 70,90 Z'
    pop graphic-context"
house="push graphic-context translate 470,72 scale 0.7,0.7 stroke '$INK' stroke-width 2.5
    fill '$RED' polygon 0,40 45,2 90,40 fill white rectangle 10,40 80,100
    fill '$BLUE' rectangle 20,52 40,70 fill '$ORANGE' rectangle 52,62 70,100 pop graphic-context"
phone="push graphic-context translate 450,86 stroke '$INK' stroke-width 2.5 fill '#fbfbfb'
    roundrectangle 0,0 70,130 10,10 fill '#dcebfa' rectangle 8,16 62,100 fill '$GREY' circle 35,114 35,120
    stroke none fill '$BLUE' rectangle 14,24 56,30 fill '#8c97a6' rectangle 14,38 50,42 rectangle 14,48 54,52
    pop graphic-context"
promo="push graphic-context translate 300,96 stroke '$INK' stroke-width 3 fill '#fbfbfb'
    roundrectangle 0,0 110,190 14,14 fill '#dcebfa' rectangle 10,22 100,150 fill '$GREY' circle 55,170 55,178
    stroke none fill '$BLUE' rectangle 20,34 90,44 fill '#8c97a6' rectangle 20,54 80,60 rectangle 20,68 86,74
    rectangle 20,82 70,88 fill '$GREEN' rectangle 20,104 90,136 pop graphic-context
    $(popup 380 120)"
tick="push graphic-context translate 60,110 stroke '$GREEN' stroke-width 10 fill none
    circle 50,50 50,4 polyline 26,52 44,70 76,34 pop graphic-context"

page bg129.bmp "$(mouse 60 175 1 right)"
page bg130.bmp "$phone"
page bg132.bmp "$envelope"
page bg135.bmp "$padlock"
page bg136.bmp "$keypad"
page bg137.bmp "$promo"
page bg138.bmp "$house"
page bg164.bmp "$globe"
done="$(textwindow 320 110 1) $(pointer 410 170)"
page done133.bmp "$tick $(mouse 200 150 1 right) $done"
page done204.bmp "$tick $(mouse 200 150 1 middle) $done"
page done202.bmp "$tick $(shiftkey 60 232 1) $(mouse 200 150 1 right) $done"
page done203.bmp "$tick $(mouse 200 150 1 right) $done
    stroke '$RED' stroke-width 4 fill none $(arc 245 222 72 200 480)"

# Wizard-97 sheet: watermark (left of the outer pages) and header (top right of the inner).
convert -size 164x314 gradient:"$LIGHT"-"$BLUE" -draw "$(logo 42 40 2)" \
    -draw "$(mouse 46 170 0.8 right)" +dither -colors 16 -type Palette BMP3:wm131.bmp
small hd134.bmp 49x49 "$(logo 3 0 1)"

# Mouse page: the four actions, the option buttons and the decorations.
small desc142.bmp 170x200 "$(mouse 40 50 1 right) $(pointer 130 40)"
small desc143.bmp 170x200 "$(mouse 40 50 1 middle) $(pointer 130 40)"
small desc145.bmp 170x200 "$(mouse 40 80 0.8 right) $(shiftkey 24 8 1)"
small desc144.bmp 170x200 "$(mouse 40 50 1 right) stroke '$RED' stroke-width 4 fill none
    $(arc 85 122 68 200 480) stroke none fill '$RED' polygon 140,74 154,88 132,92"
small opt146.bmp 22x22 "stroke '$INK' stroke-width 1.5 fill white circle 11,11 11,2"
small opt147.bmp 22x22 "stroke '$INK' stroke-width 1.5 fill white circle 11,11 11,2
    stroke none fill '$BLUE' circle 11,11 11,6"
convert -size 300x8 gradient:"$BLUE"-"$PALE" -rotate 90 -rotate -90 +dither -colors 16 -type Palette \
    BMP3:deco182.bmp
small deco206.bmp 48x48 "$(logo 4 0 1)"
small deco205.bmp 240x150 "$(textwindow 4 36 1) $(pointer 100 100) $(popup 70 0)"

# Animations: the text window, the pointer moving onto a word, the action, the pop-up.
# anim <file> <action: right | middle | shift | hold>
anim() {
    tmp=$(mktemp -d)
    n=0
    frame() {  # $1 pointer x, $2 pointer y, $3 button, $4 shift, $5 extra MVG, $6 delay
        convert -size 558x392 xc:white -draw "$(textwindow 300 90 "$7")" \
            -draw "$(mouse 80 170 1.2 "$3")" -draw "$(shiftkey 60 30 "$4")" \
            -draw "$(pointer "$1" "$2")" -draw "$5" +dither -colors 16 "$tmp/f$n.gif"
        echo "-delay $6 $tmp/f$n.gif" >> "$tmp/list"
        n=$((n + 1))
    }
    key=0; [ "$2" = shift ] && key=1
    button=right; [ "$2" = middle ] && button=middle
    shown=""; [ "$2" = shift ] || shown="stroke none fill white rectangle 58,26 190,90"
    frame 330 300 none 0 "$shown" 40 0
    frame 350 230 none 0 "$shown" 15 0
    frame 370 170 none 0 "$shown" 15 0
    frame 385 152 none 0 "$shown" 30 1
    [ "$key" = 1 ] && frame 385 152 none 1 "" 30 1
    if [ "$2" = hold ]; then
        for a in 300 390 480 560; do
            frame 385 152 right 0 "$shown stroke '$RED' stroke-width 5 fill none $(arc 134 257 92 270 $a)" 25 1
        done
    else
        frame 385 152 "$button" "$key" "$shown" 40 1
    fi
    frame 385 152 none 0 "$shown $(popup 362 50)" 150 1
    convert -loop 0 $(cat "$tmp/list") -layers Optimize "$1"
    rm -rf "$tmp"
}
anim anim207.gif middle
anim anim208.gif hold
anim anim209.gif right
anim anim210.gif shift

