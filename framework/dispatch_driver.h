// COleDispatchDriver: calls members of an automation object through IDispatch::Invoke by dispatch id.
// It holds the object's pointer and an auto-release flag: with auto-release it owns one reference and
// releases it when it goes; without, it only borrows the pointer. A copy takes a reference of its own.
//
// Calls are typed: InvokeHelper<Result>(id, flags, arguments...) passes each argument as its automation type
// (short VT_I2, int/long VT_I4, double VT_R8, bool VT_BOOL, narrow text VT_BSTR up to its first zero byte
// as every text handed to the platform, IDispatch* or a driver
// VT_DISPATCH, const VARIANT& a copy, VARIANT* a VT_BYREF reference) and converts the result to Result
// (void, short, long, double, bool, std::string, fw::unique_variant, or IDispatch* which comes with one
// reference for the caller). An error raised inside the member arrives as COleDispatchException; any
// other failure (the call's own result, a result that does not convert) as COleException.
#pragma once

#include "framework/com.h"
#include "framework/ole_exception.h"

#include <span>
#include <string>
#include <type_traits>

class COleDispatchDriver {
public:
    COleDispatchDriver() noexcept = default;
    explicit COleDispatchDriver(IDispatch* dispatch, bool autoRelease = true) noexcept;
    COleDispatchDriver(const COleDispatchDriver& other) noexcept;
    COleDispatchDriver& operator=(const COleDispatchDriver& other) noexcept;
    COleDispatchDriver(COleDispatchDriver&& other) noexcept;
    COleDispatchDriver& operator=(COleDispatchDriver&& other) noexcept;
    ~COleDispatchDriver() { ReleaseDispatch(); }

    void AttachDispatch(IDispatch* dispatch, bool autoRelease = true) noexcept;
    // Gives up the pointer without releasing it; the caller takes over the reference the driver owned.
    IDispatch* DetachDispatch() noexcept;
    void ReleaseDispatch() noexcept;

    // Creates the object registered under the ProgID (narrow text) and attaches it with auto-release.
    // On failure returns false and, when given, stores the failing HRESULT in *error.
    bool CreateDispatch(const char* progId, COleException* error = nullptr) noexcept;
    bool CreateDispatch(REFCLSID classId, COleException* error = nullptr) noexcept;

    template <typename Result = void, typename... Arguments>
    Result InvokeHelper(DISPID id, WORD flags, const Arguments&... arguments) const;
    template <typename Result>
    Result GetProperty(DISPID id) const
    {
        return InvokeHelper<Result>(id, DISPATCH_PROPERTYGET);
    }
    template <typename Value>
    void SetProperty(DISPID id, const Value& value) const
    {
        InvokeHelper<void>(id, DISPATCH_PROPERTYPUT, value);
    }

    explicit operator bool() const noexcept { return m_lpDispatch != nullptr; }

    IDispatch* m_lpDispatch = nullptr;
    bool m_bAutoRelease = true;

protected:
    // Calls the member with the arguments in call order and returns its raw result.
    fw::unique_variant InvokeVariants(DISPID id, WORD flags, std::span<fw::unique_variant> arguments) const;

private:
    template <typename Argument>
    static fw::unique_variant ToArgument(const Argument& value)
    {
        if constexpr (std::is_same_v<Argument, VARIANT*>)
            return fw::ByReference(value);
        else if constexpr (std::is_same_v<Argument, std::string>)
            return fw::MakeVariant(value.c_str());
        else if constexpr (std::is_base_of_v<COleDispatchDriver, Argument>)
            return fw::MakeVariant(value.m_lpDispatch);
        else
            return fw::MakeVariant(value);
    }
    static fw::unique_variant CoerceResult(fw::unique_variant value, VARTYPE type);
};

template <typename Result, typename... Arguments>
Result COleDispatchDriver::InvokeHelper(DISPID id, WORD flags, const Arguments&... arguments) const
{
    fw::unique_variant values[sizeof...(Arguments) + 1] = {ToArgument(arguments)...};
    fw::unique_variant result = InvokeVariants(id, flags, std::span(values, sizeof...(Arguments)));
    if constexpr (std::is_void_v<Result>) {
        return;
    } else if constexpr (std::is_same_v<Result, fw::unique_variant>) {
        return result;
    } else if constexpr (std::is_same_v<Result, IDispatch*>) {
        fw::unique_variant object = CoerceResult(std::move(result), VT_DISPATCH);
        IDispatch* dispatch = V_DISPATCH(object.get());
        V_VT(object.get()) = VT_EMPTY;   // the reference goes to the caller
        return dispatch;
    } else {
        fw::unique_variant value = CoerceResult(std::move(result), fw::VariantTraits<Result>::type);
        return fw::VariantTraits<Result>::Extract(*value);
    }
}
