// Late-bound calls by member name: the driver every host wrapper derives from, and the only conversions
// between automation VARIANTs and the add-in's narrow strings and numbers.
#pragma once

#include "framework/dispatch_driver.h"

#include <map>
#include <string>
#include <type_traits>

// A dispatch driver that resolves member names to dispatch ids at run time and remembers the ids it found.
// Names that do not resolve are not remembered: a missing member is asked for again on every use. A copy
// takes its own reference (auto-release) and starts with an empty cache.
class COleDynamicDispatchDriver : public COleDispatchDriver {
public:
    COleDynamicDispatchDriver() noexcept = default;
    explicit COleDynamicDispatchDriver(IDispatch* dispatch, bool autoRelease = true) noexcept
        : COleDispatchDriver(dispatch, autoRelease)
    {
    }
    COleDynamicDispatchDriver(const COleDynamicDispatchDriver& other) noexcept : COleDispatchDriver(other) {}
    COleDynamicDispatchDriver& operator=(const COleDynamicDispatchDriver& other) noexcept;
    // A move keeps the cache: it stays with the same object.
    COleDynamicDispatchDriver(COleDynamicDispatchDriver&&) noexcept = default;
    COleDynamicDispatchDriver& operator=(COleDynamicDispatchDriver&&) noexcept = default;

    // The member's dispatch id, or -1 when the name does not resolve (no object, unknown name, text that
    // does not convert). Never raises.
    DISPID GetDispID(const char* name) noexcept;

protected:
    // The pattern of every wrapper member: resolve the name; when it resolves, call the member; otherwise
    // (or when the object is missing) return the default without an error. An object result is wrapped
    // with auto-release. Errors the host raises during the call propagate (COleDispatchException,
    // COleException).
    template <typename Result, typename... Arguments>
    Result CallMember(const char* name, WORD flags, Result defaultValue, const Arguments&... arguments)
    {
        DISPID id = GetDispID(name);
        if (id == -1)
            return defaultValue;
        if constexpr (std::is_base_of_v<COleDispatchDriver, Result>)
            return Result(InvokeHelper<IDispatch*>(id, flags, arguments...), true);
        else
            return InvokeHelper<Result>(id, flags, arguments...);
    }
    template <typename Result, typename... Arguments>
    Result Get(const char* name, const Arguments&... arguments)
    {
        return CallMember<Result>(name, DISPATCH_PROPERTYGET, Result{}, arguments...);
    }
    template <typename Result, typename... Arguments>
    Result Call(const char* name, const Arguments&... arguments)
    {
        return CallMember<Result>(name, DISPATCH_METHOD, Result{}, arguments...);
    }
    template <typename... Arguments>
    void CallWithoutResult(const char* name, const Arguments&... arguments)
    {
        if (DISPID id = GetDispID(name); id != -1)
            InvokeHelper(id, DISPATCH_METHOD, arguments...);
    }
    template <typename Value>
    void Put(const char* name, const Value& value)
    {
        if (DISPID id = GetDispID(name); id != -1)
            SetProperty(id, value);
    }

private:
    std::map<std::string, DISPID, std::less<>> m_cache;
};

// Any VARIANT the add-in receives as narrow text (system code page); see the .cpp for the table of types.
// Never raises: unsupported types and unreadable arrays give the empty string.
std::string VariantToString(const VARIANT& value);

// VARIANT constructors. Each returns a new VARIANT that the caller owns and clears with VariantClear.
VARIANT VariantFrom() noexcept;                     // VT_ERROR DISP_E_PARAMNOTFOUND: a missing argument
VARIANT VariantFrom(const char* text);              // VT_BSTR, up to the first zero byte
VARIANT VariantFrom(const std::string& text);       // VT_BSTR, up to the first zero byte
VARIANT VariantFrom(const unsigned char* bytes, std::size_t length) noexcept;  // VT_ARRAY|VT_UI1, or VT_EMPTY
VARIANT VariantFrom(signed char value) noexcept;     // VT_I1
VARIANT VariantFrom(short value) noexcept;           // VT_I2
VARIANT VariantFrom(int value) noexcept;             // VT_I4
VARIANT VariantFrom(long value) noexcept;            // VT_I4
VARIANT VariantFrom(unsigned char value) noexcept;   // VT_UI1
VARIANT VariantFrom(unsigned short value) noexcept;  // VT_UI2
VARIANT VariantFrom(unsigned int value) noexcept;    // VT_UI4
VARIANT VariantFrom(unsigned long value) noexcept;   // VT_UI4
