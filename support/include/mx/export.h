// The one export macro of the support library. On Windows the library is compiled into the add-in DLL
// (MX_BUILDING) and imported by its callers; on Linux it is a shared library built with hidden visibility.
#pragma once

#if defined(_WIN32)
#  if defined(MX_BUILDING)
#    define MX_API __declspec(dllexport)
#  else
#    define MX_API __declspec(dllimport)
#  endif
#else
#  define MX_API __attribute__((visibility("default")))
#endif
