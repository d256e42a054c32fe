/* Controls of page 105 (e-mail address). */
#ifndef LX_EMAILIDS_H
#define LX_EMAILIDS_H

#define IDC_EMAIL_EDIT 1001
#define IDC_EMAIL_PROMPT 1002

#endif
