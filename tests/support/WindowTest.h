// A test of the real main window, shown on the test display.
#pragma once

#include <gtest/gtest.h>

#include "GuiTest.h"
#include "ui/loggerDialog.h"

class WindowTest : public testing::Test {
  protected:
    void SetUp() override {
        dialog = new loggerDialog();
        dialog->Show();
        PumpEvents(20);
    }
    void TearDown() override {
        dialog->Destroy();
        PumpEvents(20);
    }

    loggerDialog* dialog = nullptr;
};
