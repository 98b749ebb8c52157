// The output test end to end: the Indication page's test value reaches the
// board in the frames and shows in the grids.
#include "BoardWindowTest.h"

namespace {

void SetIndicationTest(loggerDialog* dialog, int type, const char* device, const char* position,
                       const char* length, const char* value) {
    Select(dialog->ID_CHOICE4, type);
    dialog->ID_TEXTCTRL14->ChangeValue(device);
    dialog->ID_TEXTCTRL15->ChangeValue(position);
    dialog->ID_TEXTCTRL16->ChangeValue(length);
    dialog->ID_TEXTCTRL12->ChangeValue(value);
}

std::string GridRow(wxGrid* grid, int row, int columns) {
    std::string text;
    for (int c = 0; c < columns; ++c) text += grid->GetCellValue(row, c).ToStdString();
    return text;
}

TEST_F(BoardWindowTest, AlphNumPageSendsTheTestValueToTheBoardAndTheGrid) {
    SetIndicationTest(dialog, 0, "1", "0", "4", "ABCD");
    ShowPage(3);
    OpenBoard();
    WarmUp();

    PollTicks(1);
    ASSERT_TRUE(board.WaitForSegmentFrames(1, 2000));
    EXPECT_EQ(board.UnitText(1), "ABCD    ");
    // Unit 1 is the fifteenth group of the frame: display characters 112..119.
    EXPECT_EQ(board.SegmentBody().substr(112, 8), "ABCD    ");
    EXPECT_EQ(board.SegmentBody().substr(0, 112), std::string(112, ' '));
    // Row "14" of the grid shows unit 1.
    EXPECT_EQ(GridRow(dialog->ID_GRID1, 14, 4), "ABCD");

    // The value moves to unit 0; what it left at unit 1 stays.
    dialog->ID_TEXTCTRL14->ChangeValue("0");
    dialog->ID_TEXTCTRL12->ChangeValue("1234");
    PollTicks(1);
    ASSERT_TRUE(board.WaitForSegmentFrames(2, 2000));
    EXPECT_EQ(board.UnitText(0), "1234    ");
    EXPECT_EQ(board.SegmentBody().substr(120, 4), "1234");
    EXPECT_EQ(board.UnitText(1), "ABCD    ");
    EXPECT_EQ(GridRow(dialog->ID_GRID1, 15, 4), "1234");
    EXPECT_EQ(GridRow(dialog->ID_GRID1, 14, 4), "ABCD");

    // "Clear outputs" empties both buffers at once; the grid follows at the
    // next send and the current value is back in that very frame.
    ledFrame[4 + 5] = '1';
    Click(dialog->ID_BUTTON7);
    EXPECT_EQ(std::string(segmentFrame + 4, 128), std::string(128, ' '));
    EXPECT_EQ(std::string(ledFrame + 4, 64), std::string(64, '0'));
    EXPECT_EQ(GridRow(dialog->ID_GRID1, 14, 4), "ABCD") << "grid changes only at its refresh";

    PollTicks(1);
    ASSERT_TRUE(board.WaitForSegmentFrames(3, 2000));
    EXPECT_EQ(board.UnitText(1), "        ");
    EXPECT_EQ(board.UnitText(0), "1234    ");
    EXPECT_NE(GridRow(dialog->ID_GRID1, 14, 1), "A");
    EXPECT_EQ(GridRow(dialog->ID_GRID1, 15, 4), "1234");
    EXPECT_EQ(board.LedCount(), 0) << "the AlphNum page sends no LED frame";
    EXPECT_EQ(board.MalformedCount(), 0);
}

TEST_F(BoardWindowTest, DiscreteIndicPageSendsTheOutputStateToTheBoardAndTheGrid) {
    SetIndicationTest(dialog, 1, "", "25", "", "3");
    ShowPage(4);
    OpenBoard();
    WarmUp();

    PollTicks(1);
    ASSERT_TRUE(board.WaitForLedFrames(1, 2000));
    EXPECT_TRUE(board.OutputOn(25));
    EXPECT_EQ(board.LedBody(), std::string(25, '0') + "1" + std::string(38, '0'));
    // Row "20", column "5".
    EXPECT_EQ(dialog->ID_GRID2->GetCellValue(2, 5), "1");

    dialog->ID_TEXTCTRL12->ChangeValue("2");
    PollTicks(1);
    ASSERT_TRUE(board.WaitForLedFrames(2, 2000));
    EXPECT_FALSE(board.OutputOn(25));
    EXPECT_EQ(dialog->ID_GRID2->GetCellValue(2, 5), "0");
    EXPECT_EQ(board.SegmentCount(), 0) << "the Discrete Indic page sends no 7SG frame";
}

}  // namespace
