// A headless editor whose message boxes the test answers: an unexpected box
// is ended by the watchdog, an answer left over fails the test.
#pragma once

#include "tabs/ProtocolTab.h"

class AnsweredTabTest : public TabTest {
protected:
    void SetUp() override
    {
        TabTest::SetUp();
        editortest::TS::clearAnswers();
        editortest::TS::clearModalLog();
        editortest::TS::setModalWatchdog(5000);
    }

    void TearDown() override
    {
        EXPECT_EQ(editortest::TS::pendingAnswers(), 0u) << "a box that was expected did not appear";
        editortest::TS::clearAnswers();
        editortest::TS::setModalWatchdog(0);
        dropTab();
        TabTest::TearDown();
    }

    // The fixture's tab goes before the engine does.
    virtual void dropTab() = 0;
};
