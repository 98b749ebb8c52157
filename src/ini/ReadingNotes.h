// Notes on number fields that took their default. The reading rules turn a
// text that is not a number into a default without a word in the section or
// result, which must stay what the hub software has always been given; the
// note tells the user, on the message line beside it, which field it was,
// what it held, why it was not taken and what was used instead:
//   EvID(decimal) "12 " is not a whole number: 0 used
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ini/SectionText.h"

// "is empty", "is not a whole number", "is not a number", "is out of range".
const char* UnreadText(Unread why);

// How a field is read and what it gives when its text is not taken.
struct FieldRule {
    NumberRule number;
    double fallback;  // written in the note as the value used ("0", "1")
    // What an empty field leads to, when that is worth a word: where the
    // default changes what the section means (the control's id gives
    // [Key0000]) or the calculator's outcome. nullptr: an empty field is
    // left empty on purpose and gets no note.
    const char* whenEmpty = nullptr;
};

// The note for one field, or nothing when its text is read as it stands
// (or is empty and `rule` says nothing about that): the caption as the
// window shows it, the text in double quotes as typed (a long text by its
// first kQuotedChars characters and an ellipsis), why, and the value used.
inline constexpr std::size_t kQuotedChars = 20;
std::optional<std::string> FieldNote(const std::string& caption, const std::string& text,
                                     const FieldRule& rule);

// The message line of one composition or calculation: its notes in the order
// the fields were used, "; " between them; empty when there are none.
std::string JoinNotes(const std::vector<std::string>& notes);

// Reads number fields by the rules of SectionText.h, as the composers and
// calculators always have, and adds a note for each field that took its
// default. Without a list (nullptr) it only reads.
class NotedReader {
  public:
    explicit NotedReader(std::vector<std::string>* notes) : notes_(notes) {}

    std::int32_t Int(const char* caption, const std::string& text, const char* whenEmpty = nullptr);
    std::uint32_t Unsigned(const char* caption, const std::string& text);
    double Real(const char* caption, const std::string& text, double fallback);
    // Whether `text` is empty, noting that the field led to `outcome`.
    bool Empty(const char* caption, const std::string& text, const char* outcome);

  private:
    void Note(const char* caption, const std::string& text, const FieldRule& rule);
    std::vector<std::string>* notes_;
};
