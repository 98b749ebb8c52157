// What the tests that drive the real window ask of a message line: its text,
// and whether all of it shows.
#pragma once

#include <gtest/gtest.h>
#include <wx/wx.h>

#include <string>

// A message line's text as UTF-8, with the line breaks that it was wrapped
// at taken back to the blanks they stand for.
std::string LineText(const wxStaticText* line);

// Whether a message line shows its whole text: every row of it within the
// line's width, all rows within its height, and the line within its parent.
testing::AssertionResult ShowsWhole(const wxStaticText* line);
