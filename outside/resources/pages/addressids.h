/* Control ids of page 109 (address form), shared by its template and its page class. */
#ifndef LX_ADDRESSIDS_H
#define LX_ADDRESSIDS_H

#define IDC_ADDR_HONORIFIC 1014
#define IDC_ADDR_TITLE 1015
#define IDC_ADDR_USSTATE 1016
#define IDC_ADDR_COMPANY 1017
#define IDC_ADDR_FIRSTNAME 1018
#define IDC_ADDR_LASTNAME 1019
#define IDC_ADDR_SECONDNAME 1020
#define IDC_ADDR_SECONDLASTNAME 1021
#define IDC_ADDR_ADDRESS1 1022
#define IDC_ADDR_ADDRESS2 1023
#define IDC_ADDR_ADDRESS3 1024
#define IDC_ADDR_POSTALCODE 1025
#define IDC_ADDR_CITY 1026
#define IDC_ADDR_STATE 1027
/* The one edit shared by the prefecture and the district. */
#define IDC_ADDR_PREFECTURE 1028
#define IDC_ADDR_PROVINCE 1029
#define IDC_ADDR_STREET 1030

#endif
