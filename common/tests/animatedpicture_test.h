// Resource ids of the pictures in the animated picture test program.
#pragma once

#define IDG_WALK 201
#define IDG_FAST 202
#define IDG_SLOW 203
#define IDG_STILL 204
#define IDG_NOEXT 205
