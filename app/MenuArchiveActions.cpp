// The archive actions of the menu bar that are not available yet: the
// interchange import, the tools and the information panel. Each leaves the
// archive and GlobalStatus as they are and reports that nothing was done.
#include "app/Menu.h"

#include <Zelkoran/Result.h>

using Zelkoran::RC_ERR_GENERIC;

int Menu::onImportXML() { return importXML(""); }

int Menu::importXML(const string&) { return RC_ERR_GENERIC; }

int Menu::onTools() { return RC_ERR_GENERIC; }

int Menu::onInfo() { return RC_ERR_GENERIC; }
