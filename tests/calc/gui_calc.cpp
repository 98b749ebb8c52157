// The calculators and the output test panels on the real window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "GuiTest.h"
#include "MessageLine.h"
#include "WindowTest.h"
#include "ui/Controls.h"
#include "ui/loggerDialog.h"

namespace {

class CalcWindow : public WindowTest {
  protected:
    std::string CheckedBits() const {
        std::string bits;
        for (int i = 0; i < 32; ++i)
            if (maskBoxes[i]->GetValue()) bits += std::to_string(i) + ' ';
        return bits;
    }
};

TEST_F(CalcWindow, MaskBoxesTableFollowsTheBitNumbers) {
    for (int bit = 0; bit < 32; ++bit) {
        const std::string name = "ID_CHECKBOX" + std::to_string(36 - bit);
        EXPECT_EQ(Find<wxCheckBox>(dialog, name.c_str()), maskBoxes[bit]) << "bit " << bit;
    }
}

TEST_F(CalcWindow, MaskButtonsRoundTripThroughBoxesAndField) {
    wxTextCtrl* mask = dialog->ID_TEXTCTRL6;
    Click(dialog->ID_BUTTON29);  // "> Mask" with no box checked
    EXPECT_EQ(mask->GetValue(), "0");

    Click(dialog->ID_BUTTON27);  // "All set" changes only the boxes
    EXPECT_EQ(mask->GetValue(), "0");
    Click(dialog->ID_BUTTON29);
    EXPECT_EQ(mask->GetValue(), "4294967295");

    Click(dialog->ID_BUTTON28);  // "Invert"
    EXPECT_EQ(CheckedBits(), "");
    Click(dialog->ID_BUTTON29);
    EXPECT_EQ(mask->GetValue(), "0");

    Find<wxCheckBox>(dialog, "ID_CHECKBOX5")->SetValue(true);  // the box captioned 31
    Click(dialog->ID_BUTTON29);
    EXPECT_EQ(mask->GetValue(), "2147483648");

    mask->SetValue("5");
    Click(dialog->ID_BUTTON30);  // "< Mask" clears bit 31, sets bits 0 and 2
    EXPECT_EQ(CheckedBits(), "0 2 ");
    Click(dialog->ID_BUTTON26);  // "All clear"
    EXPECT_EQ(CheckedBits(), "");
    EXPECT_EQ(mask->GetValue(), "5");

    mask->SetValue("007");
    Click(dialog->ID_BUTTON30);
    Click(dialog->ID_BUTTON29);
    EXPECT_EQ(mask->GetValue(), "7");
}

TEST_F(CalcWindow, MaskToBoxesKeepsTheFieldText) {
    const struct {
        const char* text;
        const char* bits;
    } cases[] = {{"4294967295", nullptr},
                 {"-1", nullptr},
                 {"4294967296", ""},
                 {"abc", ""},
                 {"5 ", ""},
                 {"", ""},
                 {" 5", "0 2 "}};
    std::string all;
    for (int i = 0; i < 32; ++i) all += std::to_string(i) + ' ';
    for (const auto& c : cases) {
        Click(dialog->ID_BUTTON28);  // start from a different state each time
        dialog->ID_TEXTCTRL6->SetValue(c.text);
        Click(dialog->ID_BUTTON30);
        EXPECT_EQ(CheckedBits(), c.bits ? c.bits : all) << '"' << c.text << '"';
        EXPECT_EQ(dialog->ID_TEXTCTRL6->GetValue(), c.text);
    }
}

TEST_F(CalcWindow, IndicationCalculatorWritesOrLeavesTheFields) {
    dialog->ID_TEXTCTRL21->SetValue("100");
    dialog->ID_TEXTCTRL65->SetValue("0");
    dialog->ID_TEXTCTRL46->SetValue("1");
    dialog->ID_TEXTCTRL64->SetValue("-1");
    Click(dialog->ID_BUTTON24);
    EXPECT_EQ(dialog->ID_TEXTCTRL18->GetValue(), "5.000000e+001");
    EXPECT_EQ(dialog->ID_TEXTCTRL19->GetValue(), "5.000000e+001");

    dialog->ID_TEXTCTRL18->SetValue("typed");
    dialog->ID_TEXTCTRL64->SetValue("");
    Click(dialog->ID_BUTTON24);
    EXPECT_EQ(dialog->ID_TEXTCTRL18->GetValue(), "typed");
    EXPECT_EQ(dialog->ID_TEXTCTRL19->GetValue(), "5.000000e+001");

    dialog->ID_TEXTCTRL64->SetValue("1");  // SimMax == SimMin
    Click(dialog->ID_BUTTON24);
    EXPECT_EQ(dialog->ID_TEXTCTRL18->GetValue(), "inf");
    EXPECT_EQ(dialog->ID_TEXTCTRL19->GetValue(), "-inf");
}

TEST_F(CalcWindow, NumericCalculatorWithAndWithoutCentre) {
    dialog->ID_TEXTCTRL50->SetValue("900");
    dialog->ID_TEXTCTRL58->SetValue("100");
    dialog->ID_TEXTCTRL51->SetValue("1");
    dialog->ID_TEXTCTRL57->SetValue("-1");
    dialog->ID_TEXTCTRL56->SetValue("480");
    Click(dialog->ID_BUTTON25);
    EXPECT_EQ(dialog->ID_TEXTCTRL49->GetValue(), "2.500000e-003");
    EXPECT_EQ(dialog->ID_TEXTCTRL66->GetValue(), "5.000000e+002");

    Tick(dialog->ID_CHECKBOX4, true);
    Click(dialog->ID_BUTTON25);
    EXPECT_EQ(dialog->ID_TEXTCTRL66->GetValue(), "4.800000e+002");

    dialog->ID_TEXTCTRL57->SetValue("");
    Click(dialog->ID_BUTTON25);
    EXPECT_EQ(dialog->ID_TEXTCTRL49->GetValue(), "1.000000e+000");
    EXPECT_EQ(dialog->ID_TEXTCTRL66->GetValue(), "0.000000e+000");
}

// Each calculator says on the line under it which of its fields took their
// default, under the caption the field is found by; a run that reads every
// field clears the line. The lines are named for assistive tools.
TEST_F(CalcWindow, CalculatorsNameTheFieldsThatTookTheirDefault) {
    loggerDialog& d = *dialog;
    EXPECT_EQ(GetAccessibleName(d.maskMessage), "Mask calculator message");
    EXPECT_EQ(GetAccessibleName(d.numericFactorMessage), "Factor calculator message");
    EXPECT_EQ(GetAccessibleName(d.indicationFactorMessage), "Factor calculator message");
    const auto note = [](wxTextCtrl* field, const std::string& rest) {
        return GetAccessibleName(field).utf8_string() + " " + rest;
    };
    // Each range field in turn holds `bad`, the others their good texts: the
    // line names that field alone; with every field good again it is empty.
    using Range = std::vector<std::pair<wxTextCtrl*, const char*>>;
    const auto eachInTurn = [&](const Range& range, const char* bad, wxButton* run,
                                wxStaticText* line) {
        for (const auto& [field, good] : range) {
            for (const auto& [other, text] : range) other->SetValue(other == field ? bad : text);
            Click(run);
            EXPECT_EQ(LineText(line),
                      note(field, '"' + std::string(bad) + "\" is not a number: 0 used"));
            EXPECT_TRUE(ShowsWhole(line));
            field->SetValue(good);
        }
        Click(run);
        EXPECT_EQ(LineText(line), "");
    };

    d.ID_TEXTCTRL6->SetValue("12abc");
    Click(d.ID_BUTTON30);  // "< Mask"
    EXPECT_EQ(LineText(d.maskMessage),
              note(d.ID_TEXTCTRL6, "\"12abc\" is not a whole number: 0 used"));
    Click(d.ID_BUTTON29);  // "> Mask" writes a number in its place
    EXPECT_EQ(LineText(d.maskMessage), "");

    d.ID_NOTEBOOK1->SetSelection(2);  // Indication
    PumpEvents(50);
    const Range indication = {{d.ID_TEXTCTRL21, "100"},
                              {d.ID_TEXTCTRL46, "1"},
                              {d.ID_TEXTCTRL65, "0"},
                              {d.ID_TEXTCTRL64, "-1"}};
    for (const auto& [field, good] : indication) field->SetValue("");
    d.ID_TEXTCTRL18->SetValue("typed");
    Click(d.ID_BUTTON24);
    EXPECT_EQ(d.ID_TEXTCTRL18->GetValue(), "typed");
    std::string empty;
    for (const auto& [field, good] : indication)
        empty += (empty.empty() ? "" : "; ") + note(field, "\"\" is empty: nothing calculated");
    EXPECT_EQ(LineText(d.indicationFactorMessage), empty);
    EXPECT_TRUE(ShowsWhole(d.indicationFactorMessage));
    eachInTurn(indication, "1,5", d.ID_BUTTON24, d.indicationFactorMessage);

    d.ID_NOTEBOOK1->SetSelection(1);  // NumCtrls
    PumpEvents(50);
    Tick(d.ID_CHECKBOX4, true);
    eachInTurn({{d.ID_TEXTCTRL50, "900"},
                {d.ID_TEXTCTRL51, "1"},
                {d.ID_TEXTCTRL56, "480"},
                {d.ID_TEXTCTRL57, "-1"},
                {d.ID_TEXTCTRL58, "100"}},
               "-----", d.ID_BUTTON25, d.numericFactorMessage);
    d.ID_TEXTCTRL56->SetValue("");
    Click(d.ID_BUTTON25);
    EXPECT_EQ(LineText(d.numericFactorMessage),
              note(d.ID_TEXTCTRL56, "\"\" is empty: factor 1 and zero offset 0 used"));
}

TEST_F(CalcWindow, CaptureButtonsCopyTheCurrentValueUnchanged) {
    const struct {
        wxButton* button;
        wxTextCtrl* target;
    } captures[] = {{dialog->ID_BUTTON18, dialog->ID_TEXTCTRL50},
                    {dialog->ID_BUTTON19, dialog->ID_TEXTCTRL56},
                    {dialog->ID_BUTTON20, dialog->ID_TEXTCTRL58}};
    for (const char* value : {"-----", " 512 ", "1023"}) {
        dialog->ID_TEXTCTRL62->SetValue(value);
        for (const auto& capture : captures) {
            Click(capture.button);
            EXPECT_EQ(capture.target->GetValue(), value);
        }
    }
}

TEST_F(CalcWindow, HasCentreEnablesCentreFieldAndButtonKeepingTheText) {
    const struct {
        wxCheckBox* box;
        wxTextCtrl* field;
        wxButton* button;
    } pages[] = {{dialog->ID_CHECKBOX4, dialog->ID_TEXTCTRL56, dialog->ID_BUTTON19},
                 {dialog->ID_CHECKBOX3, dialog->ID_TEXTCTRL52, dialog->ID_BUTTON13}};
    for (const auto& page : pages) {
        EXPECT_FALSE(page.field->IsEnabled());
        EXPECT_FALSE(page.button->IsEnabled());
        Tick(page.box, true);
        EXPECT_TRUE(page.field->IsEnabled());
        EXPECT_TRUE(page.button->IsEnabled());
        page.field->SetValue("480");
        Tick(page.box, false);
        EXPECT_FALSE(page.field->IsEnabled());
        EXPECT_FALSE(page.button->IsEnabled());
        EXPECT_EQ(page.field->GetValue(), "480");
        Tick(page.box, true);
        EXPECT_EQ(page.field->GetValue(), "480");
    }
}

TEST_F(CalcWindow, AxisCaptureButtonsCopyTheSelectedAxisRow) {
    EXPECT_EQ(axisFields[3]->GetValue(), "12345");
    for (int row = 0; row < 16; ++row) axisFields[row]->SetValue(wxString::Format("row %d", row));
    Select(dialog->ID_CHOICE5, 3);
    Click(dialog->ID_BUTTON12);
    Click(dialog->ID_BUTTON13);
    Click(dialog->ID_BUTTON14);
    EXPECT_EQ(dialog->ID_TEXTCTRL44->GetValue(), "row 3");
    EXPECT_EQ(dialog->ID_TEXTCTRL52->GetValue(), "row 3");
    EXPECT_EQ(dialog->ID_TEXTCTRL53->GetValue(), "row 3");
    Select(dialog->ID_CHOICE5, 15);
    Click(dialog->ID_BUTTON14);
    EXPECT_EQ(dialog->ID_TEXTCTRL53->GetValue(), "row 15");
    EXPECT_EQ(dialog->ID_TEXTCTRL44->GetValue(), "row 3");
}

TEST_F(CalcWindow, PreparedValuesReplaceTheTestText) {
    dialog->ID_TEXTCTRL23->SetValue("1234");
    dialog->ID_TEXTCTRL24->SetValue("");
    dialog->ID_TEXTCTRL45->SetValue(" 7 ");
    Click(dialog->ID_BUTTON15);
    EXPECT_EQ(dialog->ID_TEXTCTRL12->GetValue(), "1234");
    Click(dialog->ID_BUTTON17);
    EXPECT_EQ(dialog->ID_TEXTCTRL12->GetValue(), " 7 ");
    Click(dialog->ID_BUTTON16);
    EXPECT_EQ(dialog->ID_TEXTCTRL12->GetValue(), "");
}

TEST_F(CalcWindow, GridsShowTheFilledFrames) {
    Select(dialog->ID_CHOICE4, 0);  // numeric
    dialog->ID_TEXTCTRL14->SetValue("0");
    dialog->ID_TEXTCTRL15->SetValue("0");
    dialog->ID_TEXTCTRL16->SetValue("4");
    dialog->ID_TEXTCTRL12->SetValue("1234");
    dialog->FillOutputFrames();
    dialog->RefreshSegmentGrid();
    wxGrid* segments = dialog->ID_GRID1;
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(segments->GetCellValue(15, column), wxString(char('1' + column)));
    EXPECT_EQ(segments->GetCellValue(15, 4), " ");
    EXPECT_EQ(segments->GetCellValue(0, 0), " ");

    Select(dialog->ID_CHOICE4, 1);  // discrete
    dialog->ID_TEXTCTRL15->SetValue("5");
    dialog->ID_TEXTCTRL12->SetValue("3");
    dialog->FillOutputFrames();
    dialog->RefreshLedGrid();
    wxGrid* leds = dialog->ID_GRID2;
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(leds->GetCellValue(i / 10, i % 10), i == 5 ? "1" : "0") << "output " << i;
    for (int column = 4; column < 10; ++column) EXPECT_EQ(leds->GetCellValue(6, column), "");

    // "Clear outputs" on the AlphNum page clears both frames; the grids
    // follow at their next refresh.
    Click(dialog->ID_BUTTON7);
    EXPECT_EQ(std::string(segmentFrame + 4, 128), std::string(128, ' '));
    EXPECT_EQ(std::string(ledFrame + 4, 64), std::string(64, '0'));
    EXPECT_EQ(leds->GetCellValue(0, 5), "1");
    dialog->RefreshSegmentGrid();
    dialog->RefreshLedGrid();
    EXPECT_EQ(segments->GetCellValue(15, 0), " ");
    EXPECT_EQ(leds->GetCellValue(0, 5), "0");
}

TEST_F(CalcWindow, SegmentGridShowsEveryByteAsOneCharacter) {
    for (int k = 0; k < 128; ++k) segmentFrame[4 + k] = static_cast<char>(128 + k);
    dialog->RefreshSegmentGrid();
    for (int k = 0; k < 128; ++k)
        EXPECT_EQ(dialog->ID_GRID1->GetCellValue(k / 8, k % 8).length(), 1u) << "byte " << 128 + k;
}

}  // namespace
