// Owners for the automation data types (BSTR, SAFEARRAY, VARIANT, COM pointers) and the small set of VARIANT
// makers and readers that the automation object base and the dispatch driver share.
#pragma once

#include "framework/handle.h"

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <string>
#include <string_view>

namespace fw {

using Microsoft::WRL::ComPtr;
using unique_bstr = unique_handle<BSTR, &SysFreeString>;
using unique_safearray = unique_handle<SAFEARRAY*, &SafeArrayDestroy>;

// A BSTR holding narrow text (system code page); throws std::bad_alloc when the string cannot be allocated.
unique_bstr AllocBstr(std::string_view narrow);
// The whole BSTR (embedded zeros included) as narrow text; a null BSTR is the empty string.
std::string BstrToNarrow(const BSTR text);

// A VARIANT that clears itself. Copies are deep (VariantCopy); a failed copy throws std::bad_alloc.
class unique_variant {
public:
    unique_variant() noexcept { VariantInit(&m_value); }
    unique_variant(const unique_variant& other);
    unique_variant& operator=(const unique_variant& other);
    unique_variant(unique_variant&& other) noexcept : m_value(other.release()) {}
    unique_variant& operator=(unique_variant&& other) noexcept;
    ~unique_variant() { VariantClear(&m_value); }

    // Takes over a VARIANT whose contents the caller owned.
    static unique_variant adopt(const VARIANT& value) noexcept;

    VARIANT* get() noexcept { return &m_value; }
    const VARIANT* get() const noexcept { return &m_value; }
    const VARIANT& operator*() const noexcept { return m_value; }
    VARTYPE type() const noexcept { return V_VT(&m_value); }
    void reset() noexcept { VariantClear(&m_value); }
    // For APIs that fill a VARIANT: clears the current value first.
    VARIANT* put() noexcept
    {
        reset();
        return &m_value;
    }
    // Hands the contents to the caller, who must clear them.
    VARIANT release() noexcept;

private:
    VARIANT m_value;
};

// Locks a SAFEARRAY's data for the owner's lifetime (SafeArrayAccessData / SafeArrayUnaccessData).
class safearray_access {
public:
    explicit safearray_access(SAFEARRAY* array) noexcept;
    ~safearray_access();
    safearray_access(const safearray_access&) = delete;
    safearray_access& operator=(const safearray_access&) = delete;
    explicit operator bool() const noexcept { return m_data != nullptr; }
    void* data() const noexcept { return m_data; }

private:
    SAFEARRAY* m_array = nullptr;
    void* m_data = nullptr;
};

// VARIANT makers. Strings are narrow (system code page); an IDispatch is AddRef'ed; a VARIANT is deep-copied.
unique_variant MakeVariant(short value) noexcept;
unique_variant MakeVariant(int value) noexcept;
unique_variant MakeVariant(long value) noexcept;
unique_variant MakeVariant(double value) noexcept;
unique_variant MakeVariant(bool value) noexcept;
unique_variant MakeVariant(const char* text);
unique_variant MakeVariant(std::string_view text);
unique_variant MakeVariant(const std::string& text);
unique_variant MakeVariant(IDispatch* object) noexcept;
unique_variant MakeVariant(const VARIANT& value);
unique_variant MakeVariant(const unique_variant& value);
template <typename Interface>
unique_variant MakeVariant(const ComPtr<Interface>& object) noexcept
{
    return MakeVariant(static_cast<IDispatch*>(object.Get()));
}
// The value automation passes for an optional argument left out: VT_ERROR with DISP_E_PARAMNOTFOUND.
unique_variant MissingArgument() noexcept;
bool IsMissingArgument(const VARIANT& value) noexcept;
// A VT_BYREF | VT_VARIANT reference to a VARIANT the caller keeps alive.
unique_variant ByReference(VARIANT* target) noexcept;

// Converts a value to the given type (VariantChangeType after following references). VT_VARIANT takes the
// value as it is; VT_EMPTY and VT_NULL become a null object for VT_DISPATCH and VT_UNKNOWN.
HRESULT Coerce(const VARIANT& source, VARTYPE type, unique_variant& target) noexcept;

// C++ types as automation types: the VARTYPE they travel as, and how to read them out of a VARIANT already
// coerced to that type. Shared by the automation object base (arguments) and the driver (results).
template <typename T>
struct VariantTraits;

template <>
struct VariantTraits<short> {
    static constexpr VARTYPE type = VT_I2;
    static short Extract(const VARIANT& value) noexcept { return V_I2(&value); }
};
template <>
struct VariantTraits<long> {
    static constexpr VARTYPE type = VT_I4;
    static long Extract(const VARIANT& value) noexcept { return V_I4(&value); }
};
template <>
struct VariantTraits<int> {
    static constexpr VARTYPE type = VT_I4;
    static int Extract(const VARIANT& value) noexcept { return V_I4(&value); }
};
template <>
struct VariantTraits<double> {
    static constexpr VARTYPE type = VT_R8;
    static double Extract(const VARIANT& value) noexcept { return V_R8(&value); }
};
template <>
struct VariantTraits<bool> {
    static constexpr VARTYPE type = VT_BOOL;
    static bool Extract(const VARIANT& value) noexcept { return V_BOOL(&value) != VARIANT_FALSE; }
};
template <>
struct VariantTraits<std::string> {
    static constexpr VARTYPE type = VT_BSTR;
    static std::string Extract(const VARIANT& value) { return BstrToNarrow(V_BSTR(&value)); }
};
template <>
struct VariantTraits<IDispatch*> {
    static constexpr VARTYPE type = VT_DISPATCH;
    static IDispatch* Extract(const VARIANT& value) noexcept { return V_DISPATCH(&value); }
};
template <>
struct VariantTraits<VARIANT> {
    static constexpr VARTYPE type = VT_VARIANT;
    static const VARIANT& Extract(const VARIANT& value) noexcept { return value; }
};
template <>
struct VariantTraits<unique_variant> {
    static constexpr VARTYPE type = VT_VARIANT;
    static unique_variant Extract(const VARIANT& value) { return MakeVariant(value); }
};
template <typename Interface>
struct VariantTraits<ComPtr<Interface>> {
    static constexpr VARTYPE type = VT_DISPATCH;
};

} // namespace fw
