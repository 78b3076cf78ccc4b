#ifndef TRAKMOOR_APP_APPTEXT_H
#define TRAKMOOR_APP_APPTEXT_H

// Message lookup in the application's "trakmoor" catalogue.  The English text is the message id;
// `_` translates at the moment of use, `N_` only marks a text for the catalogue extraction.

#include <libintl.h>

#define _(text) gettext(text)
#define N_(text) (text)

#endif
