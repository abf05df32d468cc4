#include "mx/tokenizer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace mx {

namespace {

constexpr unsigned char delimiterBit = 1;
constexpr unsigned char trimBit = 2;
constexpr unsigned char openerBit = 4;
// Characters where a token's scan must stop and look: the end of the text, delimiter characters, the first
// characters of delimiter strings and openers. Runs of other characters are copied in one piece.
constexpr unsigned char stopBit = 8;
constexpr const char* defaultDelimiters = ", \t\r\n";
constexpr const char* defaultNesting = "\"'";
constexpr std::size_t errorExcerptLength = 8;

bool IsQuote(char c)
{
    return c == '\'' || c == '"';
}

} // namespace

mxTokenizer::mxTokenizer(const std::string& text, const char* delimiters, unsigned flags)
    : mxTokenizer(text.c_str(), delimiters, flags)
{
}

mxTokenizer::mxTokenizer(const char* text, const char* delimiters, unsigned flags)
    : m_text(text ? text : ""), m_flags(flags)
{
    // Positions are 32-bit throughout (cursor, token starts, nest locations).
    if (m_text.size() > static_cast<std::size_t>(INT_MAX))
        throw std::length_error("mxTokenizer: text too long");
    if (!(flags & NoDefaultNesting))
        m_nestOpeners = m_nestClosers = defaultNesting;
    SetDelimiters(delimiters ? delimiters : defaultDelimiters);
}

mxTokenizer::~mxTokenizer() = default;

char mxTokenizer::At(int position) const
{
    return static_cast<std::size_t>(position) < m_text.size() ? m_text[position] : '\0';
}

void mxTokenizer::RebuildCharacterClasses()
{
    m_characterClass.fill(0);
    m_characterClass[0] = stopBit;
    for (unsigned char c : m_delimiterCharacters)
        m_characterClass[c] |= delimiterBit | stopBit;
    for (int i = 0; i < m_delimiterStringCount; ++i)
        if (const char* candidate = m_delimiterStrings[i])
            m_characterClass[static_cast<unsigned char>(*candidate)] |= stopBit;
    for (unsigned char c : m_trimCharacters)
        m_characterClass[c] |= trimBit;
    // Filled backwards so that a character listed twice maps to its first index.
    m_openerIndex.fill(-1);
    for (int i = static_cast<int>(m_nestOpeners.size()) - 1; i >= 0; --i) {
        const auto c = static_cast<unsigned char>(m_nestOpeners[i]);
        m_openerIndex[c] = i;
        m_characterClass[c] |= openerBit | stopBit;
    }
}

void mxTokenizer::SetDelimiters(const char* delimiters)
{
    m_delimiterCharacters = delimiters ? delimiters : "";
    m_delimiterStringCount = m_delimiterCharacters.empty() ? 0 : -1;
    m_delimiterStrings = nullptr;
    RebuildCharacterClasses();
}

void mxTokenizer::SetDelimiters(int count, const char* const* delimiterStrings)
{
    m_delimiterCharacters.clear();
    const bool any = count > 0 && delimiterStrings;
    m_delimiterStringCount = any ? count : 0;
    m_delimiterStrings = any ? delimiterStrings : nullptr;
    RebuildCharacterClasses();
}

void mxTokenizer::SetNestingCharacters(const char* pairs)
{
    m_nestOpeners.clear();
    m_nestClosers.clear();
    const std::size_t length = pairs ? std::strlen(pairs) : 0;
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        m_nestOpeners += pairs[i];
        m_nestClosers += pairs[i + 1];
    }
    m_failedOpeners.clear();
    RebuildCharacterClasses();
}

void mxTokenizer::SetTrimCharacters(const char* trimCharacters)
{
    m_trimCharacters = trimCharacters ? trimCharacters : "";
    RebuildCharacterClasses();
}

void mxTokenizer::SetCursor(int cursor)
{
    m_cursor = std::clamp(cursor, 0, static_cast<int>(m_text.size()));
}

std::string mxTokenizer::GetResidue()
{
    SkipOverBlanks();
    return m_text.substr(std::min(static_cast<std::size_t>(m_cursor), m_text.size()));
}

bool mxTokenizer::IsDelimiterChar(char c) const
{
    return m_characterClass[static_cast<unsigned char>(c)] & delimiterBit;
}

bool mxTokenizer::IsIgnorableChar(char c) const
{
    return m_characterClass[static_cast<unsigned char>(c)] & trimBit;
}

int mxTokenizer::NestingIndex(char c) const
{
    return m_openerIndex[static_cast<unsigned char>(c)];
}

void mxTokenizer::SkipOverBlanks()
{
    while (IsIgnorableChar(At(m_cursor)))
        ++m_cursor;
}

void mxTokenizer::TrimRight(std::string& token) const
{
    while (!token.empty() && IsIgnorableChar(token.back()))
        token.pop_back();
}

int mxTokenizer::DelimiterLengthAt(int position) const
{
    if (m_delimiterStringCount < 0)
        return IsDelimiterChar(At(position)) ? 1 : 0;
    const std::string_view rest = std::string_view(m_text).substr(position);
    for (int i = 0; i < m_delimiterStringCount; ++i) {
        // An empty string would match everywhere without consuming anything: the tokenizer would then
        // return empty tokens forever, so such strings never match.
        const char* candidate = m_delimiterStrings[i];
        if (candidate && *candidate && rest.starts_with(candidate))
            return static_cast<int>(std::strlen(candidate));
    }
    return 0;
}

void mxTokenizer::AppendSubgroupUpdatingNestLocations(std::string& token, NestLocations& tokenLocations,
                                                      const std::string& group, const NestLocations& groupLocations)
{
    const int shift = static_cast<int>(token.size());
    for (const auto& [start, end] : groupLocations)
        tokenLocations.emplace_back(start + shift, end + shift);
    token += group;
}

bool mxTokenizer::TranscribeToEndOfNest(std::string& out, int openerIndex, bool includeDelimiters,
                                        NestLocations& locations)
{
    // Iterative with an explicit stack of open groups, so deeply nested text cannot exhaust the call stack.
    // Locations are recorded as groups close (innermost first), each relative to out.
    struct OpenGroup {
        int openerPosition;
        int outStart;
        char closer;
        bool escapesDoubledCloser;
        bool allowsInnerGroups;
    };
    const bool openerIsOrdinary = m_flags & UnmatchedOpenerIsOrdinary;
    auto knownToFail = [&](int position) {
        return openerIsOrdinary && static_cast<std::size_t>(position) < m_failedOpeners.size() &&
               m_failedOpeners[position];
    };
    std::vector<OpenGroup> open;
    auto enter = [&](int index, int openerPosition, bool include) {
        const char closer = m_nestClosers[index];
        open.push_back({openerPosition, static_cast<int>(out.size()), closer,
                        IsQuote(closer) && !(m_flags & NoDoubledQuoteEscape), !IsQuote(closer)});
        if (include)
            out += m_nestOpeners[index];
    };

    out.clear();
    locations.clear();
    enter(openerIndex, m_cursor - 1, includeDelimiters);
    const char* const text = m_text.c_str();
    while (!knownToFail(open.back().openerPosition)) {
        const OpenGroup group = open.back();
        // Ordinary characters up to the next closer (or, where inner groups count, the next opener) in bulk.
        int stop = m_cursor;
        if (group.allowsInnerGroups) {
            while (text[stop] != '\0' && text[stop] != group.closer &&
                   !(m_characterClass[static_cast<unsigned char>(text[stop])] & openerBit))
                ++stop;
        } else {
            const void* found = std::memchr(text + stop, group.closer, m_text.size() - stop);
            stop = found ? static_cast<int>(static_cast<const char*>(found) - text) : static_cast<int>(m_text.size());
        }
        out.append(text + m_cursor, stop - m_cursor);
        m_cursor = stop;
        const char c = text[m_cursor];
        if (c == '\0')
            break;
        if (c == group.closer) {
            if (group.escapesDoubledCloser) {
                while (At(m_cursor) == group.closer && At(m_cursor + 1) == group.closer) {
                    out += group.closer;
                    m_cursor += 2;
                }
                if (At(m_cursor) != group.closer)
                    continue;
            }
            if (open.size() > 1 || includeDelimiters)
                out += group.closer;
            locations.emplace_back(group.outStart, static_cast<int>(out.size()));
            ++m_cursor;
            open.pop_back();
            if (open.empty())
                return true;
            continue;
        }
        enter(NestingIndex(c), m_cursor, true);
        ++m_cursor;
    }

    // The text ended (or an opener known to run to its end was met) with groups still open.
    if (openerIsOrdinary) {
        if (m_failedOpeners.empty())
            m_failedOpeners.resize(m_text.size());
        for (const OpenGroup& group : open)
            m_failedOpeners[group.openerPosition] = true;
        return false;
    }
    const int position = open.back().openerPosition;
    m_error = "Unmatched ";
    m_error += m_text[position];
    m_error += " at \"";
    m_error += m_text.substr(position, errorExcerptLength);
    m_error += '"';
    return false;
}

bool mxTokenizer::ScanToken(std::string& token, char* delimiter)
{
    int segmentStart = m_cursor;
    const char* const text = m_text.c_str();
    for (;;) {
        while (!(m_characterClass[static_cast<unsigned char>(text[m_cursor])] & stopBit))
            ++m_cursor;
        const char c = text[m_cursor];
        if (c == '\0') {
            token.append(m_text, segmentStart);
            m_cursor = static_cast<int>(m_text.size());
            return true;
        }
        const int opener = NestingIndex(c);
        const int delimiterLength = DelimiterLengthAt(m_cursor);
        // A delimiter that is also an opener opens a group when it starts the token.
        if (delimiterLength > 0 && (opener < 0 || m_cursor > m_tokenStart)) {
            int position = m_cursor;
            token.append(m_text, segmentStart, position - segmentStart);
            if (opener >= 0 && delimiterLength == 1) {
                // The cursor stays on the opener: the next token starts with it.
            } else {
                // Blanks in front of a real delimiter are absorbed, so "a , b" reports ',' after a.
                if (m_delimiterStringCount < 0) {
                    while (IsIgnorableChar(At(position)) && At(position + 1) != '\0' &&
                           NestingIndex(At(position + 1)) < 0 && IsDelimiterChar(At(position + 1)))
                        ++position;
                }
                m_cursor = position + delimiterLength;
            }
            if (delimiter)
                *delimiter = At(position);
            return true;
        }
        if (opener >= 0) {
            token.append(m_text, segmentStart, m_cursor - segmentStart);
            const int openerPosition = m_cursor++;
            std::string group;
            NestLocations groupLocations;
            if (TranscribeToEndOfNest(group, opener, true, groupLocations)) {
                AppendSubgroupUpdatingNestLocations(token, m_nestLocations, group, groupLocations);
                segmentStart = m_cursor;
                continue;
            }
            if (!(m_flags & UnmatchedOpenerIsOrdinary))
                return false;
            m_cursor = openerPosition;
            segmentStart = openerPosition;
        }
        ++m_cursor;
    }
}

void mxTokenizer::Unwrap(std::string& token, char* encloser)
{
    // Groups are recorded as they close, so the enclosing group of a wholly enclosed token is the last
    // location, the group directly inside it the one before, and so on.
    const int length = static_cast<int>(token.size());
    int levels = 0;
    for (auto it = m_nestLocations.rbegin(); it != m_nestLocations.rend(); ++it) {
        if (it->first != levels || it->second != length - levels || length - 2 * levels < 2)
            break;
        ++levels;
    }
    if (levels == 0)
        return;
    if (encloser && *encloser == '\0')
        *encloser = token.front();
    m_tokenStart += levels;
    token = token.substr(levels, length - 2 * levels);
    m_nestLocations.resize(m_nestLocations.size() - levels);
    for (auto& [start, end] : m_nestLocations) {
        start -= levels;
        end -= levels;
    }
}

void mxTokenizer::ForgetLocationsBeyond(std::size_t length)
{
    // A closer that is also a trim character can be trimmed off the token's end; its group is then no
    // longer in the token.
    std::erase_if(m_nestLocations,
                  [length](const std::pair<int, int>& group) { return static_cast<std::size_t>(group.second) > length; });
}

void mxTokenizer::TrimInsideToken(std::string& token)
{
    // Groups move left by the characters removed in front of them; one left with nothing in it is gone.
    std::vector<int> removedBefore(token.size() + 1, 0);
    for (std::size_t i = 0; i < token.size(); ++i)
        removedBefore[i + 1] = removedBefore[i] + (i > 0 && i + 1 < token.size() && IsIgnorableChar(token[i]) ? 1 : 0);
    for (auto& [start, end] : m_nestLocations) {
        start -= removedBefore[start];
        end -= removedBefore[end];
    }
    std::erase_if(m_nestLocations, [](const std::pair<int, int>& group) { return group.first >= group.second; });
    auto inside = std::remove_if(token.begin() + 1, token.end() - 1, [this](char c) { return IsIgnorableChar(c); });
    token.erase(inside, token.end() - 1);
}

bool mxTokenizer::Next(std::string& token, char* delimiter, char* encloser)
{
    m_error.clear();
    for (;;) {
        // A skipped empty token leaves nothing behind in the outputs of the token that follows it.
        token.clear();
        if (delimiter)
            *delimiter = '\0';
        if (encloser)
            *encloser = '\0';
        SkipOverBlanks();
        if (static_cast<std::size_t>(m_cursor) >= m_text.size())
            return false;
        m_tokenStart = m_rawTokenStart = m_cursor;
        m_nestLocations.clear();
        if (!ScanToken(token, delimiter)) {
            token.clear();
            return false;
        }
        // Trailing blanks go before unwrapping, also at the end of the text, so that "'a b' " unwraps
        // whether or not a delimiter follows.
        TrimRight(token);
        ForgetLocationsBeyond(token.size());
        if (!(m_flags & KeepEnclosers))
            Unwrap(token, encloser);
        TrimRight(token);
        ForgetLocationsBeyond(token.size());
        if (token.empty() && (m_flags & SkipEmptyTokens))
            continue;
        if ((m_flags & TrimInside) && token.size() > 2)
            TrimInsideToken(token);
        return true;
    }
}

} // namespace mx
