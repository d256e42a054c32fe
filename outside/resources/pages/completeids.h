/* Controls of page 112 (completion): texts only, none used by the page's code. */
#ifndef LX_COMPLETEIDS_H
#define LX_COMPLETEIDS_H

#define IDC_COMPLETE_TEXT 1001

#endif
