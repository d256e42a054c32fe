/* Control ids of page 166 (country and customer type), shared by its template and its page class. */
#ifndef LX_COUNTRYIDS_H
#define LX_COUNTRYIDS_H

#define IDC_COUNTRY_LIST 1004
#define IDC_COUNTRY_PRIVATE 1008
#define IDC_COUNTRY_COMPANY 1009
#define IDC_COUNTRY_SEVERAL 1010
#define IDC_COUNTRY_EMAIL 1011
/* The Unicode country list made in place of 1004 when the built-in texts are used. */
#define IDC_COUNTRY_LISTW 1002

#endif
