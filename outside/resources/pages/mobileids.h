/* Control ids of page 110 (mobile-service sign-up), shared by its template and its page class. */
#ifndef LX_MOBILEIDS_H
#define LX_MOBILEIDS_H

#define IDC_MOBILE_NUMBER 1005

#endif
