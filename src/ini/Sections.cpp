#include "ini/Sections.h"

#include "ini/SectionText.h"

namespace {

std::string TextLine(const char* key, const std::string& value) {
    return SectionLine(key + std::string(": ") + value);
}

std::string DiscreteTemplate(const DiscreteSectionInput& in) {
    const std::string header = KeyHeader(ReadInt(in.eventIdText));
    const std::string offset = TextLine("offset", in.offsetText);
    const std::string type = TextLine("type", TypeWord(in.typeIndex));
    const int size = SizeValue(in.sizeIndex);
    switch (in.controlType) {
        case 1:  // SPDT: "size:" deliberately without a blank (size:2)
            return header + SectionLine("mode: discrete_event") + offset +
                   SectionLine("size:" + std::to_string(size)) + type +
                   ValueLine("0", ReadInt(in.value0Text)) + ValueLine("1", ReadInt(in.value1Text));
        case 2:  // cyclic SPST button
        case 4:  // encoder
            return header +
                   TextLine("mode", (in.cyclingIndex & 1) ? "discrete_limit_event"
                                                          : "discrete_loop_event") +
                   offset + ValueLine("size", size) + type + ValueLine("min", ReadInt(in.minText)) +
                   ValueLine("max", ReadInt(in.maxText)) +
                   ValueLine("increment", ReadInt(in.incrementText));
        case 3:  // SPST button, switch, encoder direction pulse, rotary switch pole
            return header + SectionLine("mode: discrete_event") + offset + ValueLine("size", size) +
                   type + ValueLine("1", ReadInt(in.value1Text));
        default:  // the empty item, or no selection
            return {};
    }
}

void AddIfAny(std::vector<std::string>& pieces, std::string piece) {
    if (!piece.empty()) pieces.push_back(std::move(piece));
}

}  // namespace

std::vector<std::string> ComposeDiscreteSection(const DiscreteSectionInput& in) {
    std::vector<std::string> pieces = CommentBlock(in.remarks.lines, in.remarks.text);
    AddIfAny(pieces, DiscreteTemplate(in));
    if (!in.maskText.empty()) pieces.push_back(ValueLine("mask", ReadUnsigned(in.maskText)));
    if (in.encodingIndex == 1) pieces.push_back(SectionLine("encoding: bcd"));
    pieces.push_back(kLineEnd);
    return pieces;
}

std::vector<std::string> ComposeNumericSection(const NumericSectionInput& in) {
    std::vector<std::string> pieces = CommentBlock(in.remarks.lines, in.remarks.text);
    pieces.push_back(KeyHeader(ReadInt(in.eventIdText)) + SectionLine("mode: numeric_event") +
                     TextLine("offset", in.offsetText) + TextLine("type", TypeWord(in.typeIndex)) +
                     ValueLine("size", SizeValue(in.sizeIndex)));
    // The "<Ctrls" case: an offset beginning with 3110 carries the control id.
    if (in.offsetText.compare(0, 4, "3110") == 0 && !in.controlIdText.empty())
        pieces.push_back(TextLine("control", in.controlIdText));
    if (!in.factorText.empty())
        pieces.push_back(TextLine("factor", FormatExponent(ReadReal(in.factorText, 1.0))));
    if (!in.zeroOffsetText.empty())
        pieces.push_back(TextLine("zero_offset", FormatExponent(ReadReal(in.zeroOffsetText, 0.0))));
    if (in.encodingIndex == 1) pieces.push_back(SectionLine("encoding: bcd"));
    pieces.push_back(kLineEnd);
    return pieces;
}

std::vector<std::string> ComposeIndicationSection(const IndicationSectionInput& in) {
    std::vector<std::string> pieces = CommentBlock(in.remarks.lines, in.remarks.text);
    const std::string header = SectionLine("[Ind " + in.sectionName + "]");
    const std::string type = TextLine("type", TypeWord(in.typeIndex));
    const int size = SizeValue(in.sizeIndex);
    if ((in.indicationType & 1) == 0) {
        pieces.push_back(
            header + SectionLine("mode: numeric_polling") + TextLine("offset", in.offsetText) +
            ValueLine("size", size) + type + ValueLine("devadr", ReadInt(in.deviceText)) +
            ValueLine("pos", ReadInt(in.positionText)) + ValueLine("len", ReadInt(in.lengthText)));
        if (!in.factorText.empty())
            pieces.push_back(TextLine("factor", FormatExponent(ReadReal(in.factorText, 0.0))));
        if (!in.zeroOffsetText.empty())
            pieces.push_back(
                TextLine("zero_offset", FormatExponent(ReadReal(in.zeroOffsetText, 0.0))));
        if (in.showLeadingZeroes) pieces.push_back(ValueLine("options", 1));
    } else {
        pieces.push_back(header + SectionLine("mode: discrete_polling") +
                         TextLine("array", in.offsetText) + ValueLine("index", size) + type +
                         ValueLine("pos", ReadInt(in.positionText)));
        if (!in.maskText.empty()) pieces.push_back(ValueLine("mask", ReadInt(in.maskText)));
    }
    if (in.encodingIndex == 1) pieces.push_back(SectionLine("encoding: bcd"));
    pieces.push_back(kLineEnd);
    return pieces;
}

std::string JoinPieces(const std::vector<std::string>& pieces) {
    std::string text;
    for (const std::string& piece : pieces) text += piece;
    return text;
}
