/* Control ids of page 108 (password), shared by its template and its page class. */
#ifndef LX_PASSWORDIDS_H
#define LX_PASSWORDIDS_H

#define IDC_PASSWORD_EDIT 1002
#define IDC_PASSWORD_LINK 1040

#endif
