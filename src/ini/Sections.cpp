#include "ini/Sections.h"

#include "ini/ReadingNotes.h"
#include "ini/SectionText.h"

namespace {

std::string TextLine(const char* key, const std::string& value) {
    return SectionLine(key + std::string(": ") + value);
}

// An empty id field gives [Key0000]: a section for another control.
const char* const kIdWhenEmpty = "0 used";

// The fields are read one statement each: the notes follow the order in
// which the section uses the fields (the operands of + have no order).
std::string DiscreteTemplate(const DiscreteSectionInput& in, NotedReader& fields) {
    if (in.controlType < 1 || in.controlType > 4) return {};  // the empty item, or no selection
    const std::string header = KeyHeader(fields.Int("EvID(decimal)", in.eventIdText, kIdWhenEmpty));
    const std::string offset = TextLine("offset", in.offsetText);
    const std::string type = TextLine("type", TypeWord(in.typeIndex));
    const int size = SizeValue(in.sizeIndex);
    std::string text;
    switch (in.controlType) {
        case 1:  // SPDT: "size:" deliberately without a blank (size:2)
            text = header + SectionLine("mode: discrete_event") + offset +
                   SectionLine("size:" + std::to_string(size)) + type;
            text += ValueLine("0", fields.Int("0:", in.value0Text));
            text += ValueLine("1", fields.Int("1:", in.value1Text));
            return text;
        case 2:  // cyclic SPST button
        case 4:  // encoder
            text = header +
                   TextLine("mode", (in.cyclingIndex & 1) ? "discrete_limit_event"
                                                          : "discrete_loop_event") +
                   offset + ValueLine("size", size) + type;
            text += ValueLine("min", fields.Int("Min:", in.minText));
            text += ValueLine("max", fields.Int("Max:", in.maxText));
            text += ValueLine("increment", fields.Int("Increment:", in.incrementText));
            return text;
        default:  // 3: SPST button, switch, encoder direction pulse, rotary switch pole
            text = header + SectionLine("mode: discrete_event") + offset + ValueLine("size", size) +
                   type;
            text += ValueLine("1", fields.Int("1:", in.value1Text));
            return text;
    }
}

void AddIfAny(std::vector<std::string>& pieces, std::string piece) {
    if (!piece.empty()) pieces.push_back(std::move(piece));
}

}  // namespace

std::vector<std::string> ComposeDiscreteSection(const DiscreteSectionInput& in,
                                                std::vector<std::string>* notes) {
    NotedReader fields(notes);
    std::vector<std::string> pieces = CommentBlock(in.remarks.lines, in.remarks.text);
    AddIfAny(pieces, DiscreteTemplate(in, fields));
    if (!in.maskText.empty())
        pieces.push_back(ValueLine("mask", fields.Unsigned("Mask:", in.maskText)));
    if (in.encodingIndex == 1) pieces.push_back(SectionLine("encoding: bcd"));
    pieces.push_back(kLineEnd);
    return pieces;
}

std::vector<std::string> ComposeNumericSection(const NumericSectionInput& in,
                                               std::vector<std::string>* notes) {
    NotedReader fields(notes);
    std::vector<std::string> pieces = CommentBlock(in.remarks.lines, in.remarks.text);
    pieces.push_back(KeyHeader(fields.Int("EvId(decimal)", in.eventIdText, kIdWhenEmpty)) +
                     SectionLine("mode: numeric_event") + TextLine("offset", in.offsetText) +
                     TextLine("type", TypeWord(in.typeIndex)) +
                     ValueLine("size", SizeValue(in.sizeIndex)));
    // The "<Ctrls" case: an offset beginning with 3110 carries the control id.
    if (in.offsetText.compare(0, 4, "3110") == 0 && !in.controlIdText.empty())
        pieces.push_back(TextLine("control", in.controlIdText));
    if (!in.factorText.empty())
        pieces.push_back(
            TextLine("factor", FormatExponent(fields.Real("factor", in.factorText, 1.0))));
    if (!in.zeroOffsetText.empty())
        pieces.push_back(TextLine(
            "zero_offset", FormatExponent(fields.Real("zero offset", in.zeroOffsetText, 0.0))));
    if (in.encodingIndex == 1) pieces.push_back(SectionLine("encoding: bcd"));
    pieces.push_back(kLineEnd);
    return pieces;
}

std::vector<std::string> ComposeIndicationSection(const IndicationSectionInput& in,
                                                  std::vector<std::string>* notes) {
    NotedReader fields(notes);
    std::vector<std::string> pieces = CommentBlock(in.remarks.lines, in.remarks.text);
    const std::string header = SectionLine("[Ind " + in.sectionName + "]");
    const std::string type = TextLine("type", TypeWord(in.typeIndex));
    const int size = SizeValue(in.sizeIndex);
    if ((in.indicationType & 1) == 0) {
        std::string lines = header + SectionLine("mode: numeric_polling") +
                            TextLine("offset", in.offsetText) + ValueLine("size", size) + type;
        lines += ValueLine("devadr", fields.Int("*Device:", in.deviceText));
        lines += ValueLine("pos", fields.Int("**Position:", in.positionText));
        lines += ValueLine("len", fields.Int("Length:", in.lengthText));
        pieces.push_back(lines);
        if (!in.factorText.empty())
            pieces.push_back(
                TextLine("factor", FormatExponent(fields.Real("Factor:", in.factorText, 0.0))));
        if (!in.zeroOffsetText.empty())
            pieces.push_back(TextLine("zero_offset", FormatExponent(fields.Real(
                                                         "Zero Offset:", in.zeroOffsetText, 0.0))));
        if (in.showLeadingZeroes) pieces.push_back(ValueLine("options", 1));
    } else {
        pieces.push_back(header + SectionLine("mode: discrete_polling") +
                         TextLine("array", in.offsetText) + ValueLine("index", size) + type +
                         ValueLine("pos", fields.Int("**Position:", in.positionText)));
        if (!in.maskText.empty())
            pieces.push_back(ValueLine("mask", fields.Int("Mask:", in.maskText)));
    }
    if (in.encodingIndex == 1) pieces.push_back(SectionLine("encoding: bcd"));
    pieces.push_back(kLineEnd);
    return pieces;
}
