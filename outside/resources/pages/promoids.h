/* Controls of page 111 (promotion): texts only, none used by the page's code. */
#ifndef LX_PROMOIDS_H
#define LX_PROMOIDS_H

#define IDC_PROMO_TEXT 1001

#endif
