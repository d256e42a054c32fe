// The dictionary program's windows as other programs find them: the wizard closes it through
// its pop-up, fontlearner reports to the pop-up, the tests read the pop-up's texts.
#pragma once

#define LEXIPOP_POPUP_TITLE "Lexipop Popup"
#define LEXIPOP_HIDDEN_TITLE "LXPhiddenWndv1.0"
// Controls of the pop-up: the word (or a message of the program) and its meaning below it.
#define LEXIPOP_IDC_WORD 1
#define LEXIPOP_IDC_MEANING 2
// The pop-up's texts while the font pattern base is being built and once it is.
#define LEXIPOP_BUILDING_TEXT "Learning the screen fonts..."
#define LEXIPOP_BUILT_TEXT "Screen fonts learnt."
