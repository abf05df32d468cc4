#include "mx/locale.h"

#include <clocale>
#include <cstring>

namespace mx {

mxPushLocale::mxPushLocale(int category, const char* localeName) : m_category(category)
{
    const char* current = std::setlocale(category, nullptr);
    if (current)
        m_previous = current;
    if (localeName && (!current || std::strcmp(current, localeName) != 0))
        m_changed = std::setlocale(category, localeName) != nullptr;
}

mxPushLocale::~mxPushLocale()
{
    if (m_changed)
        std::setlocale(m_category, m_previous.c_str());
}

mxPushNumericLocale::mxPushNumericLocale(const char* localeName) : mxPushLocale(LC_NUMERIC, localeName) {}

} // namespace mx
