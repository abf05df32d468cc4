// mx::mxTokenizer splits a text into tokens at delimiter characters (or delimiter strings), keeping quoted or
// bracketed groups together, trimming blanks, unwrapping tokens that are wholly enclosed and recording where
// nested groups lie inside each token. Header and signature lists are taken apart with it.
#pragma once

#include "mx/export.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace mx {

class MX_API mxTokenizer {
public:
    // Option bits of the constructor's flags.
    enum : unsigned {
        SkipEmptyTokens = 1,           // empty tokens are skipped instead of returned
        NoDefaultNesting = 2,          // no quote nesting is installed
        NoDoubledQuoteEscape = 4,      // inside quotes a doubled closing quote ends the group
        KeepEnclosers = 8,             // a wholly enclosed token keeps its enclosing characters
        TrimInside = 32,               // trim characters are also removed from the inside of each token
        UnmatchedOpenerIsOrdinary = 64 // an opener without closer is an ordinary character, not an error
    };
    // Groups inside the current token: (start, end) relative to the token text, end exclusive.
    using NestLocations = std::vector<std::pair<int, int>>;

    // The text is copied up to its first NUL. Delimiters: null for ", \t\r\n", "" for none.
    mxTokenizer(const std::string& text, const char* delimiters = nullptr, unsigned flags = 0);
    mxTokenizer(const char* text, const char* delimiters = nullptr, unsigned flags = 0);
    mxTokenizer(const mxTokenizer&) = default;
    mxTokenizer& operator=(const mxTokenizer&) = default;
    virtual ~mxTokenizer();

    // Produces the next token. False when the text is exhausted or on error (then GetError() is not empty).
    // delimiter receives the character that ended the token ('\0' at the end of the text), encloser the
    // opening character of the outermost group that was unwrapped ('\0' when none).
    bool Next(std::string& token, char* delimiter = nullptr, char* encloser = nullptr);

    const std::string& GetError() const { return m_error; }
    int GetCursor() const { return m_cursor; }
    void SetCursor(int cursor); // kept within the text
    std::string GetResidue();   // skips trim characters at the cursor, then returns the rest of the text
    int StartOfCurrentToken(bool raw) const { return raw ? m_rawTokenStart : m_tokenStart; }
    const NestLocations& GetNestCharacterLocations() const { return m_nestLocations; }

    void SetDelimiters(const char* delimiters);
    // Delimiter strings; the array is the caller's and must outlive the tokenizer. Empty strings never match.
    // The strings are read at every Next, but their first characters are noted here (a token's scan stops
    // only at them): after changing a string in the array, call SetDelimiters again.
    void SetDelimiters(int count, const char* const* delimiterStrings);
    void SetNestingCharacters(const char* pairs); // opener, closer, opener, closer...
    void SetTrimCharacters(const char* trimCharacters);
    const std::string& GetTrimCharacters() const { return m_trimCharacters; }

protected:
    bool IsDelimiterChar(char c) const;
    bool IsIgnorableChar(char c) const;
    int NestingIndex(char c) const;
    void SkipOverBlanks();
    void TrimRight(std::string& token) const;
    bool TranscribeToEndOfNest(std::string& out, int openerIndex, bool includeDelimiters, NestLocations& locations);
    static void AppendSubgroupUpdatingNestLocations(std::string& token, NestLocations& tokenLocations,
                                                    const std::string& group, const NestLocations& groupLocations);

private:
    char At(int position) const; // '\0' at and beyond the end of the text
    int DelimiterLengthAt(int position) const; // 0 when no delimiter starts there
    bool ScanToken(std::string& token, char* delimiter); // up to the delimiter or the end of the text
    void Unwrap(std::string& token, char* encloser);
    void ForgetLocationsBeyond(std::size_t length);
    void TrimInsideToken(std::string& token); // flag 32, keeping the nest locations on their groups
    void RebuildCharacterClasses();

    int m_cursor = 0;
    int m_tokenStart = 0;
    int m_rawTokenStart = 0;
    NestLocations m_nestLocations;
    std::string m_text;
    unsigned m_flags = 0;
    std::string m_trimCharacters = " ";
    int m_delimiterStringCount = -1;
    std::string m_delimiterCharacters = ", \t\r\n";
    const char* const* m_delimiterStrings = nullptr;
    std::string m_nestOpeners;
    std::string m_nestClosers;
    std::string m_error;

    // Lookup tables built from the character sets above (bit 0 delimiter, bit 1 trim character) and the
    // opener index of each character; a token's hot loop tests characters through them.
    std::array<unsigned char, 256> m_characterClass{};
    std::array<int, 256> m_openerIndex{};
    // Openers whose group was found to run to the end of the text: a group's extent depends only on where
    // it starts, so with flag 64 each failing group is scanned once instead of once per enclosing opener.
    std::vector<bool> m_failedOpeners;
};

} // namespace mx
