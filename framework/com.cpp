#include "framework/com.h"
// mingw declares the source VARIANT of VariantCopy and VariantCopyInd non-const; neither changes it.

#include "framework/text.h"

#include <limits>
#include <new>

namespace fw {

unique_bstr AllocBstr(std::string_view narrow)
{
    std::wstring wide = Widen(narrow);
    if (wide.size() > std::numeric_limits<UINT>::max())
        throw std::bad_alloc();
    unique_bstr text(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
    if (!text)
        throw std::bad_alloc();
    return text;
}

std::string BstrToNarrow(const BSTR text)
{
    if (text == nullptr)
        return {};
    return Narrow(std::wstring_view(text, SysStringLen(text)));
}

unique_variant::unique_variant(const unique_variant& other)
{
    VariantInit(&m_value);
    if (FAILED(VariantCopy(&m_value, const_cast<VARIANT*>(&other.m_value))))
        throw std::bad_alloc();
}

unique_variant& unique_variant::operator=(const unique_variant& other)
{
    if (this != &other) {
        unique_variant copy(other);
        *this = std::move(copy);
    }
    return *this;
}

unique_variant& unique_variant::operator=(unique_variant&& other) noexcept
{
    if (this != &other) {
        VariantClear(&m_value);
        m_value = other.release();
    }
    return *this;
}

unique_variant unique_variant::adopt(const VARIANT& value) noexcept
{
    unique_variant owner;
    owner.m_value = value;
    return owner;
}

VARIANT unique_variant::release() noexcept
{
    VARIANT value = m_value;
    VariantInit(&m_value);
    return value;
}

safearray_access::safearray_access(SAFEARRAY* array) noexcept
{
    if (array != nullptr && SUCCEEDED(SafeArrayAccessData(array, &m_data)))
        m_array = array;
    else
        m_data = nullptr;
}

safearray_access::~safearray_access()
{
    if (m_array != nullptr)
        SafeArrayUnaccessData(m_array);
}

unique_variant MakeVariant(short value) noexcept
{
    unique_variant result;
    V_VT(result.get()) = VT_I2;
    V_I2(result.get()) = value;
    return result;
}

unique_variant MakeVariant(int value) noexcept
{
    return MakeVariant(static_cast<long>(value));
}

unique_variant MakeVariant(long value) noexcept
{
    unique_variant result;
    V_VT(result.get()) = VT_I4;
    V_I4(result.get()) = value;
    return result;
}

unique_variant MakeVariant(double value) noexcept
{
    unique_variant result;
    V_VT(result.get()) = VT_R8;
    V_R8(result.get()) = value;
    return result;
}

unique_variant MakeVariant(bool value) noexcept
{
    unique_variant result;
    V_VT(result.get()) = VT_BOOL;
    V_BOOL(result.get()) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

unique_variant MakeVariant(const char* text)
{
    return MakeVariant(std::string_view(text != nullptr ? text : ""));
}

unique_variant MakeVariant(std::string_view text)
{
    unique_variant result;
    V_BSTR(result.get()) = AllocBstr(text).release();
    V_VT(result.get()) = VT_BSTR;
    return result;
}

unique_variant MakeVariant(const std::string& text)
{
    return MakeVariant(std::string_view(text));
}

unique_variant MakeVariant(IDispatch* object) noexcept
{
    unique_variant result;
    if (object != nullptr)
        object->AddRef();
    V_VT(result.get()) = VT_DISPATCH;
    V_DISPATCH(result.get()) = object;
    return result;
}

unique_variant MakeVariant(const VARIANT& value)
{
    unique_variant result;
    if (FAILED(VariantCopy(result.get(), const_cast<VARIANT*>(&value))))
        throw std::bad_alloc();
    return result;
}

unique_variant MakeVariant(const unique_variant& value)
{
    return value;
}

unique_variant MissingArgument() noexcept
{
    unique_variant result;
    V_VT(result.get()) = VT_ERROR;
    V_ERROR(result.get()) = DISP_E_PARAMNOTFOUND;
    return result;
}

bool IsMissingArgument(const VARIANT& value) noexcept
{
    return V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND;
}

unique_variant ByReference(VARIANT* target) noexcept
{
    unique_variant result;
    V_VT(result.get()) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(result.get()) = target;
    return result;
}

HRESULT Coerce(const VARIANT& source, VARTYPE type, unique_variant& target) noexcept
{
    // Follows references: a VARIANT passed by reference may itself hold a value by reference.
    auto dereference = [](const VARIANT& from, unique_variant& to) noexcept {
        if ((V_VT(&from) & VT_BYREF) != 0 && V_BYREF(&from) == nullptr)
            return DISP_E_TYPEMISMATCH;
        return VariantCopyInd(to.put(), const_cast<VARIANT*>(&from));
    };
    unique_variant value;
    HRESULT result = dereference(source, value);
    for (int depth = 0; SUCCEEDED(result) && (value.type() & VT_BYREF) != 0; ++depth) {
        if (depth == 2)
            return DISP_E_TYPEMISMATCH;
        unique_variant inner;
        result = dereference(*value, inner);
        value = std::move(inner);
    }
    if (FAILED(result))
        return result;
    if (type == VT_VARIANT) {
        target = std::move(value);
        return S_OK;
    }
    if ((type == VT_DISPATCH || type == VT_UNKNOWN) && (value.type() == VT_EMPTY || value.type() == VT_NULL)) {
        target.reset();
        V_VT(target.get()) = type;
        V_UNKNOWN(target.get()) = nullptr;
        return S_OK;
    }
    result = VariantChangeType(value.get(), value.get(), 0, type);
    if (SUCCEEDED(result))
        target = std::move(value);
    return result;
}

} // namespace fw
