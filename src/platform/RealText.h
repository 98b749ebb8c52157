// Reading a real number the same way whatever locale the toolkit has set for
// the process (a German desktop would otherwise want "0,5" for "0.5").
#pragma once

// Reads a real number at the start of `text` as strtod does in the "C"
// locale: white space, a sign, digits with a point as the decimal mark, an
// exponent, "inf" or "nan". *end is set past the last character read (to
// `text` when there is no number); *outOfRange tells whether the value was
// too large or too small to hold (the result is then HUGE_VAL or near 0).
double ReadRealInCLocale(const char* text, const char** end, bool* outOfRange);
