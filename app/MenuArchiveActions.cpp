// The archive action of the menu bar that is not available yet: the
// interchange import. It leaves the archive and GlobalStatus as they are
// and reports that nothing was done.
#include "app/Menu.h"

#include <Zelkoran/Result.h>

using Zelkoran::RC_ERR_GENERIC;

int Menu::onImportXML() { return importXML(""); }

int Menu::importXML(const string&) { return RC_ERR_GENERIC; }
