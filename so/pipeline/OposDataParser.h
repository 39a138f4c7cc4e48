// The OPOS escape-sequence translator and checker.
//
// Print data is text with embedded sequences ESC | <parameters> <capital
// letter>; the translator turns it into ESC/POS through a Cmd (plain text is
// copied unchanged, unknown sequences are dropped) and the checker answers
// whether the data is acceptable (0, 106 illegal value, 111 not supported).
//
// The data reaches both as a UTF-16 string whose length is the number of
// ANSI bytes it carries (WidenAnsiBytes); they convert it back and work on
// exactly that many bytes. A sequence body (from the character after ESC | to
// its capital letter) longer than kMaxBodyLength is not a sequence the printer
// has: the translator drops it and the checker answers 111.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vornik::so {

class Cmd;

// A string of exactly as many characters as there are bytes: the bytes
// decoded in the system ANSI code page (lossless, see CodePages.h), padded
// with NUL characters.
std::u16string WidenAnsiBytes(std::string_view bytes);
// The first text.size() bytes of text converted back to the ANSI code page
// (NUL padded when shorter).
std::string NarrowToAnsiBytes(std::u16string_view text);

// N(s): the decimal number at the start of s (leading blanks skipped, an
// optional sign, then digits), 0 when there is none; saturates at the int range.
int LeadingNumber(std::string_view s);

class OposDataParser {
public:
    explicit OposDataParser(int mapMode = 1) : m_mapMode(mapMode) {}

    // Translates text into out (appending); the number of plain text bytes
    // appended, or 0 when an ESC not followed by | cut the data short.
    // Throws OposError for a negative feed.
    int OposCmdAndDataParing(std::u16string_view text, Cmd& out);
    // 0 when the data is acceptable, else 106 or 111.
    int ValidateOposData(std::u16string_view text);

    // One sequence: body is the characters after ESC | up to and including
    // the capital letter. Throws OposError("Opos:Invalid instruction") for a
    // length below 1.
    int HandleEscapeSequence(const char* body, int length, Cmd& out);
    int ValidateEscapeSequence(const char* body, int length);

    // Switches off the styles that the flags say are on.
    void ResetStyles(Cmd& out);
    void SetMapMode(int mode) { m_mapMode = mode; }
    int mapMode() const { return m_mapMode; }

    // Dots for a unit feed of k map-mode units (logs which unit it used).
    int FeedDotsFor(int k) const;

    static constexpr int kMaxBodyLength = 32;

    // State, readable for the print methods and tests.
    int alignment = 0;
    int bold = 0, underline = 0, italic = 0, size = 0, widthScale = 0, heightScale = 0, alignmentSet = 0;

private:
    int m_mapMode;
};

}  // namespace vornik::so
