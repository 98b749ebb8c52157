// Arbitrary bytes as the fields of the three section pages. The first bytes
// pick the choices; the rest is split at '|' into field texts (the first one,
// split at '\n', is the Remarks box). Besides not crashing, every composed
// piece must be whole CR LF lines and every formatted number well formed.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ini/SectionText.h"
#include "ini/Sections.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// -?d.dddddde[+-]ddd+ , or a non-finite spelling
void CheckExponentForm(const std::string& s) {
    if (s == "inf" || s == "-inf" || s == "nan") return;
    std::size_t i = s[0] == '-' ? 1 : 0;
    Check(s.size() >= i + 13);
    Check(IsDigit(s[i]) && s[i + 1] == '.');
    for (std::size_t k = i + 2; k < i + 8; ++k) Check(IsDigit(s[k]));
    Check(s[i + 8] == 'e' && (s[i + 9] == '+' || s[i + 9] == '-'));
    for (std::size_t k = i + 10; k < s.size(); ++k) Check(IsDigit(s[k]));
}

void CheckNumber(double x) {
    const std::string text = FormatExponent(x);
    CheckExponentForm(text);
    if (std::isnormal(x) || x == 0) {
        const auto back = ParseReal(text);
        Check(back.has_value());
        Check(std::fabs(*back - x) <= 1e-6 * std::fabs(x));
    }
}

void CheckPieces(const std::vector<std::string>& pieces) {
    Check(!pieces.empty() && pieces.back() == "\r\n");
    for (const std::string& p : pieces)
        Check(p.size() >= 2 && p.compare(p.size() - 2, 2, "\r\n") == 0);
}

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(at, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t choice[6] = {};
    const std::size_t taken = size < sizeof choice ? size : sizeof choice;
    std::memcpy(choice, data, taken);
    const std::string rest(reinterpret_cast<const char*>(data) + taken, size - taken);
    std::vector<std::string> f = Split(rest, '|');
    f.resize(16);
    auto pick = [](std::uint8_t byte) { return static_cast<int>(byte % 7) - 1; };  // -1 .. 5

    Remarks remarks{Split(f[0], '\n'), f[0]};

    DiscreteSectionInput d;
    d.remarks = remarks;
    d.eventIdText = f[1];
    d.controlType = pick(choice[0]);
    d.offsetText = f[2];
    d.typeIndex = pick(choice[1]);
    d.sizeIndex = pick(choice[2]);
    d.encodingIndex = pick(choice[3]);
    d.value0Text = f[3];
    d.value1Text = f[4];
    d.maskText = f[5];
    d.minText = f[6];
    d.maxText = f[7];
    d.incrementText = f[8];
    d.cyclingIndex = pick(choice[4]);
    CheckPieces(ComposeDiscreteSection(d));

    NumericSectionInput n;
    n.remarks = remarks;
    n.eventIdText = f[1];
    n.offsetText = f[2];
    n.controlIdText = f[9];
    n.typeIndex = d.typeIndex;
    n.sizeIndex = d.sizeIndex;
    n.encodingIndex = d.encodingIndex;
    n.factorText = f[10];
    n.zeroOffsetText = f[11];
    CheckPieces(ComposeNumericSection(n));

    IndicationSectionInput i;
    i.remarks = remarks;
    i.indicationType = pick(choice[5]);
    i.offsetText = f[2];
    i.typeIndex = d.typeIndex;
    i.sizeIndex = d.sizeIndex;
    i.encodingIndex = d.encodingIndex;
    i.sectionName = f[12];
    i.deviceText = f[13];
    i.positionText = f[14];
    i.lengthText = f[15];
    i.factorText = f[10];
    i.zeroOffsetText = f[11];
    i.maskText = f[5];
    i.showLeadingZeroes = choice[5] & 0x80;
    CheckPieces(ComposeIndicationSection(i));

    // The number readers over every field, and the formatter over what they
    // read and over the raw bytes taken as a double.
    for (const std::string& field : f) {
        ParseInt(field);
        ParseUnsigned(field);
        if (const auto real = ParseReal(field)) {
            Check(std::isfinite(*real));
            CheckNumber(*real);
        }
    }
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data + size - sizeof raw, sizeof raw);
        CheckNumber(raw);
    }
    return 0;
}
