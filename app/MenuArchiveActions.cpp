// The archive actions of the menu bar. None of them is available yet: each
// leaves the archive and GlobalStatus as they are and reports that nothing
// was done.
#include "app/Menu.h"

#include <Zelkoran/Result.h>

using Zelkoran::RC_ERR_GENERIC;

int Menu::onNew() { return RC_ERR_GENERIC; }

int Menu::onLoad() { return load(""); }

int Menu::load(const string&) { return RC_ERR_GENERIC; }

int Menu::onImportXML() { return importXML(""); }

int Menu::importXML(const string&) { return RC_ERR_GENERIC; }

int Menu::onSecure() { return RC_ERR_GENERIC; }

int Menu::onTools() { return RC_ERR_GENERIC; }

int Menu::onClose() { return RC_ERR_GENERIC; }

int Menu::onInfo() { return RC_ERR_GENERIC; }
