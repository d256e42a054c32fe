/* Control ids of page 106 (e-mail verification), shared by its template and its page class. */
#ifndef LX_EMAILVERIDS_H
#define LX_EMAILVERIDS_H


#endif
