#include "host/wrappers.h"

namespace {

bool HoldsZero(const VARIANT* value) noexcept
{
    if (value == nullptr || V_VT(value) == VT_EMPTY || V_VT(value) == VT_ERROR)
        return false;
    fw::unique_variant number;
    return SUCCEEDED(fw::Coerce(*value, VT_I4, number)) && V_I4(number.get()) == 0;
}

} // namespace

MenuItem MenuItems::Add(const std::string& caption, VARIANT* second, VARIANT* third, VARIANT* fourth)
{
    DISPID id = GetDispID("Add");
    if (id == -1)
        return MenuItem();
    // COleDispatchException (an error raised inside the host's method) is not a COleException: it passes.
    try {
        return MenuItem(InvokeHelper<IDispatch*>(id, DISPATCH_METHOD, caption, second, third, fourth));
    } catch (const COleException& error) {
        if (error.m_sc != DISP_E_BADPARAMCOUNT || !HoldsZero(fourth))
            return MenuItem();
    }
    try {
        return MenuItem(InvokeHelper<IDispatch*>(id, DISPATCH_METHOD, caption, second, third));
    } catch (const COleException&) {
        return MenuItem();
    }
}
