// Scoped overrides of the runtime library's locale, used while numbers are formatted so that the decimal
// point is always '.'. They change process-wide state: callers that format concurrently with other
// locale-dependent code must serialize around them.
#pragma once

#include "mx/export.h"

#include <string>

namespace mx {

class MX_API mxPushLocale {
public:
    // Remembers the category's current locale name and switches to localeName when it differs.
    mxPushLocale(int category, const char* localeName);
    virtual ~mxPushLocale(); // restores the remembered name
    mxPushLocale(const mxPushLocale&) = delete;
    mxPushLocale& operator=(const mxPushLocale&) = delete;

private:
    int m_category;
    std::string m_previous;
    bool m_changed = false;
};

class MX_API mxPushNumericLocale : public mxPushLocale {
public:
    explicit mxPushNumericLocale(const char* localeName);
};

} // namespace mx
