// A tab for tests: records the calls the menu and the base class make and
// answers them with set results.
#pragma once

#include "tabs/base/ctrlBase.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <string>
#include <vector>

class ProbeTab : public CtrlBase {
public:
    ProbeTab(const char* name, int boxId, ResourceManager* rm, GlobalStatus* gs,
             std::vector<std::string>* calls = nullptr)
        : CtrlBase(name, boxId, rm, gs), journal(calls)
    {
        setBlockType("ZK7_IMAGE");
    }

    int processEvent(int widgetId, int data) override
    {
        note("processEvent " + std::to_string(widgetId));
        return CtrlBase::processEvent(widgetId, data);
    }
    int render(int) override
    {
        note("render");
        return 0;
    }
    int onActivate() override
    {
        note("onActivate");
        return 0;
    }
    int onDeactivate() override
    {
        note("onDeactivate");
        return 0;
    }
    int onSave() override
    {
        note("onSave");
        return saveResult;
    }
    int onDelete() override
    {
        note("onDelete");
        return deleteResult;
    }
    int updateData() override { return 0; }
    int closeResources() override
    {
        setItemHandle(0);
        return 0;
    }

    Zelkoran::Panel* basePanel() const { return &tabServices().panel(); }
    const char* type() const { return getBlockType(); }
    void setCurrentItem(const char* name) { setCurrentItemName(name); }
    void holdResource(int handle) { setItemHandle(handle); }

    int saveResult = 0;
    int deleteResult = 0;

private:
    void note(const std::string& call)
    {
        if (journal)
            journal->push_back(getName().c_str() + (":" + call));
    }
    std::vector<std::string>* journal;
};
