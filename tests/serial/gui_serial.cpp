// The port box of the Device panel on the real window.
#include <gtest/gtest.h>

#include "GuiTest.h"
#include "serial/PortEnumerator.h"
#include "ui/loggerDialog.h"

namespace {

std::vector<std::string> Items(wxComboBox* box) {
    std::vector<std::string> items;
    for (unsigned i = 0; i < box->GetCount(); ++i) {
        items.push_back(std::string(box->GetString(i).utf8_str()));
    }
    return items;
}

std::vector<std::string> Entries() {
    std::vector<std::string> entries;
    for (const auto& port : PortEnumerator::ListPorts())
        entries.push_back(PortEnumerator::EntryText(port));
    return entries;
}

// "Refresh list" throws away what the box held (stale entries, typed text)
// and lists exactly the ports present, none of them selected.
TEST(PortBox, RefreshListRefillsTheBox) {
    loggerDialog* dialog = new loggerDialog();
    dialog->Show();
    PumpEvents(20);
    wxComboBox* box = dialog->ID_COMBOBOX1;
    EXPECT_EQ(Items(box), Entries()) << "filled at start-up";

    box->Append("/dev/ttyGone0");
    box->Append("/dev/ttyGone1");
    box->SetSelection(1);
    Click(dialog->ID_BUTTON4);
    EXPECT_EQ(Items(box), Entries());
    EXPECT_EQ(box->GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(box->GetValue(), "");

    dialog->Destroy();
    PumpEvents(20);
}

// A port that comes or goes refreshes the list by itself; what the user is
// typing, and where, stays.
TEST(PortBox, HotPlugRefreshKeepsTheTextBeingTyped) {
    loggerDialog* dialog = new loggerDialog();
    dialog->Show();
    PumpEvents(20);
    wxComboBox* box = dialog->ID_COMBOBOX1;
    box->Append("/dev/ttyGone0");
    box->ChangeValue("/dev/ttyAC");
    box->SetInsertionPoint(4);
    dialog->OnPortsChanged();
    EXPECT_EQ(Items(box), Entries());
    EXPECT_EQ(box->GetValue(), "/dev/ttyAC");
    EXPECT_EQ(box->GetInsertionPoint(), 4);

    dialog->Destroy();
    PumpEvents(20);
}

}  // namespace
