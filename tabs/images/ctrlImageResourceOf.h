// The engine manager's calls of an image-family tab, for the four managers
// whose resources own their image (cursors, tile sets, sprites, fonts): the
// calls are the same by name, only the manager differs. Main thread only.
#pragma once

#include "services/GlobalStatus.h"
#include "tabs/images/ctrlImageResource.h"

#include <Zelkoran/Main.h>

#include <cstring>

template <class Item, class Mgr, Mgr* (Zelkoran::Main::*Manager)()>
class CtrlImageResourceOf : public CtrlImageResource {
protected:
    using CtrlImageResource::CtrlImageResource;

    static Mgr* manager() { return (Zelkoran::Main::instance()->*Manager)(); }
    // The open resource, null when none is.
    Item* current() const { return getItemHandle() > 0 ? manager()->get(getItemHandle()) : nullptr; }

    int createResource(const char* name) override { return manager()->create(name, 10); }
    int loadResource(const char* name) override { return manager()->load(tabServices().status().iArchiveID, name); }
    bool resourceExists() const override { return current() != nullptr; }
    int resourceImage() const override { return current() ? current()->getImage() : 0; }
    void closeResource() override { manager()->close(getItemHandle()); }
    int renameResource(const char* name) override
    {
        return std::strcmp(current()->getName(), name) == 0 ? 0 : manager()->setName(getItemHandle(), name);
    }
    int removeResource(const char* name) override { return manager()->remove(tabServices().status().iArchiveID, name); }
    int assignResourceImage() override { return current()->assignImage(iImageID, 1); }
    int saveResourceBlock(const char* name) override { return current()->save(tabServices().status().iArchiveID, name); }
};
