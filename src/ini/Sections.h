// The three section composers as plain functions. Each takes the page's
// fields as typed (texts) and its choices (selection indices, -1 for none)
// and returns the pieces to append to the result box, in order: the comment
// block, the section template, the optional lines, the closing empty line.
// Every piece ends with CR LF.
#pragma once

#include <string>
#include <vector>

// The Remarks box, shared by all composers.
struct Remarks {
    std::vector<std::string> lines;  // the box's own lines
    std::string text;                // its whole text
};

// DiscrCtrls page.
struct DiscreteSectionInput {
    Remarks remarks;
    std::string eventIdText;    // "EvID(decimal)"
    int controlType = 1;        // "Control type": 0 empty .. 4 "Encoder"
    std::string offsetText;     // "    Offset"
    int typeIndex = 0;          // "Data[Offset] type"
    int sizeIndex = 1;          // "Data[Offset] size"
    int encodingIndex = 0;      // "Encoding": 1 is "BCD"
    std::string value0Text;     // "0:"
    std::string value1Text;     // "1:"
    std::string maskText;       // "Mask:"
    std::string minText;        // "Min:"
    std::string maxText;        // "Max:"
    std::string incrementText;  // "Increment:"
    int cyclingIndex = 0;       // "Cycling options": 0 Loop, 1 Limits
};

// NumCtrls page.
struct NumericSectionInput {
    Remarks remarks;
    std::string eventIdText;    // "EvId(decimal)"
    std::string offsetText;     // "    Offset"
    std::string controlIdText;  // "ControlID", read whether enabled or not
    int typeIndex = 0;
    int sizeIndex = 1;
    int encodingIndex = 0;
    std::string factorText;      // "    factor"
    std::string zeroOffsetText;  // "    zero offset"
};

// Indication page.
struct IndicationSectionInput {
    Remarks remarks;
    int indicationType = 1;  // 0 numeric, 1 discrete (ANDed with 1)
    std::string offsetText;  // "    Offset"
    int typeIndex = 0;
    int sizeIndex = 1;
    int encodingIndex = 0;
    std::string sectionName;     // "[section name]"
    std::string deviceText;      // "*Device:"
    std::string positionText;    // "**Position:"
    std::string lengthText;      // "Length:"
    std::string factorText;      // "Factor:"
    std::string zeroOffsetText;  // "Zero Offset:"
    std::string maskText;        // "Mask:"
    bool showLeadingZeroes = false;
};

// `notes`, when given, gains a note (ReadingNotes.h) for each number field
// whose default the section carries, in the order the section uses them; a
// field that the section leaves out is not noted, whatever it holds.
std::vector<std::string> ComposeDiscreteSection(const DiscreteSectionInput& in,
                                                std::vector<std::string>* notes = nullptr);
std::vector<std::string> ComposeNumericSection(const NumericSectionInput& in,
                                               std::vector<std::string>* notes = nullptr);
std::vector<std::string> ComposeIndicationSection(const IndicationSectionInput& in,
                                                  std::vector<std::string>* notes = nullptr);
