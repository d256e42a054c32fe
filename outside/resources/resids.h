/* Identifiers every language module offers beyond those of the wizard pages. */
#ifndef LX_RESIDS_H
#define LX_RESIDS_H

/* Name of the module's language, in that language. */
#define IDS_RES_LANGUAGE 9000
/* File name of the module itself ("resen.dll", ...). */
#define IDS_RES_MODULE 9001

#endif
