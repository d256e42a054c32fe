/* Controls of page 104 (mouse settings). The option buttons, the description picture, the
   decorations and the animation are made by the page; the template holds the skin control. */
#ifndef LX_MOUSEIDS_H
#define LX_MOUSEIDS_H

#define IDC_MOUSE_OPTION1 1000 /* 1000-1003: one option button per choice */
#define IDC_MOUSE_DESCRIPTION 1004
#define IDC_MOUSE_DECORATION1 1005
#define IDC_MOUSE_DECORATION2 1006
#define IDC_MOUSE_ANIMATION 1007
#define IDC_MOUSE_CHOICE_TEXT 1010 /* 1010-1013: the text of each choice */
#define IDC_MOUSE_SKIN 1021

#endif
