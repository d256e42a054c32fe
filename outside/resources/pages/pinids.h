/* Control ids of page 107 (mailed PIN), shared by its template and its page class. */
#ifndef LX_PINIDS_H
#define LX_PINIDS_H

#define IDC_PIN_EDIT 1003
#define IDC_PIN_OPENACCOUNT 1013

#endif
